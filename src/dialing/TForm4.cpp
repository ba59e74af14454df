#include "dialing/TForm4.h"

#include <QKeyEvent>
#include <QLabel>

#include "controls/FormLayout.h"
#include "controls/Gradbtns.h"
#include "controls/Panel.h"
#include "platform/ErrorReport.h"

TForm4::TForm4(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Form4"));
    // Window switchers and screen readers name the prompt by its title.
    setWindowTitle(QStringLiteral("Окончание разговора"));
    setFixedSize(kWidth, kHeight);
    setFont(form_layout::layoutFont());

    Panel1 = new Panel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, kWidth, kHeight);
    Panel1->setColor(Qt::black);
    Panel1->setBevelInner(Panel::BevelCut::Lowered);
    Panel1->setBevelOuter(Panel::BevelCut::Raised);

    StaticText1 = new QLabel(QStringLiteral("По окончании разговора нажми кнопку"), Panel1);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setGeometry(8, 6, 113, 41);
    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setWordWrap(true);
    StaticText1->setFrameStyle(QFrame::Box | QFrame::Plain);
    StaticText1->setFont(form_layout::layoutFont(11, true));
    QPalette palette = StaticText1->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 255, 0));
    StaticText1->setPalette(palette);

    GradButton1 = new TGradButton(Panel1);
    GradButton1->setObjectName(QStringLiteral("GradButton1"));
    GradButton1->setGeometry(144, 6, 52, 41);
    GradButton1->setCaption(QStringLiteral("OK"));
    GradButton1->setFont(form_layout::layoutFont());
    GradButton1->setFontColor(Qt::white);
    GradButton1->setGradColor(QColor(192, 192, 192));
    GradButton1->setShadowColor(QColor(128, 128, 128));
    GradButton1->setGroupIndex(1);
    GradButton1->setLayout(SpeedButton::ButtonLayout::GlyphTop);
    connect(GradButton1, &SpeedButton::clicked, this,
            platform::handler(this, &TForm4::GradButton1Click));
    // The button holds the focus, so Space presses it; Enter presses it from anywhere.
    GradButton1->setFocusPolicy(Qt::TabFocus);
    GradButton1->setFocus();
}

void TForm4::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        event->accept();
        GradButton1->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm4::GradButton1Click() {
    reject();
}

// The meta-object code of the classes declared in TForm4.h, compiled with this file.
#include "moc_TForm4.cpp"
