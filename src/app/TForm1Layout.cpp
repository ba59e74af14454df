#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <iterator>
#include <utility>

#include "app/TForm1.h"
#include "controls/FormLayout.h"
#include "controls/Gradbtns.h"
#include "controls/Image.h"
#include "controls/Label.h"
#include "controls/Panel.h"
#include "controls/PictureButton.h"

// The pictures, compiled in.
#include "background_picture.h"
#include "book.xpm"
#include "journal.xpm"
#include "phone.xpm"
#include "reset.xpm"

// The main window's controls and surface: what each is, where it lies and how it looks. What they
// do is wired in TForm1.cpp.

namespace {

using namespace form_layout;

const QColor kLime{0, 255, 0};
const QColor kAzure{240, 251, 255};
const QColor kPaleGreen{192, 220, 192};

constexpr int kListRowHeight = 13;

TGradButtonCopy* makeCopyButton(QWidget* parent, const char* name, QRect geometry,
                                const QString& caption) {
    auto* button = new TGradButtonCopy(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setCaption(caption);
    button->setFont(layoutFont());
    button->setFontColor(kYellow);
    button->setAllowAllUp(true);
    return button;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, QRect geometry, const QColor& base) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(geometry);
    edit->setFrame(false);
    edit->setFont(layoutFont());
    setColors(edit, Qt::black, base);
    edit->setAttribute(Qt::WA_NoMousePropagation);
    return edit;
}

// A caption cell: a disabled, read-only field that shows a fixed text.
QLineEdit* makeCaptionCell(QWidget* parent, const char* name, QRect geometry,
                           const QString& caption, const QColor& base) {
    QLineEdit* edit = makeEdit(parent, name, geometry, base);
    edit->setText(caption);
    edit->setReadOnly(true);
    edit->setEnabled(false);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Disabled, QPalette::Base, base);
    palette.setColor(QPalette::Disabled, QPalette::Text, kGray);
    edit->setPalette(palette);
    // A disabled cell lies on the window's surface like a label: presses on it drag the window.
    edit->setAttribute(Qt::WA_NoMousePropagation, false);
    return edit;
}

QToolButton* makePictureButton(QWidget* parent, const char* name, QRect geometry,
                               const char* const* glyph, const QString& spoken_name) {
    auto* button = new PictureButton(QPixmap(glyph), spoken_name, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setAutoRaise(true);
    return button;
}

// The background is kept as packed palette indices: building it costs a copy, where decoding
// an image file would cost more than the rest of the window's start-up.
QPixmap backgroundPicture() {
    using namespace background_picture;
    QImage image(kWidth, kHeight, QImage::Format_Indexed8);
    image.setColorTable(QList<QRgb>(std::begin(kPalette), std::end(kPalette)));
    const int stride = (kWidth + 1) / 2;
    for (int y = 0; y < kHeight; ++y) {
        const unsigned char* packed = kPixels + y * stride;
        uchar* line = image.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            const unsigned char pair = packed[x / 2];
            line[x] = (x % 2 == 0) ? pair >> 4 : pair & 0x0f;
        }
    }
    return QPixmap::fromImage(std::move(image));
}

// Rows of the quick-dial list are a fixed 13 pixels high, whatever the font.
class FixedRowDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kListRowHeight};
    }
};

}  // namespace

void TForm1::createControls() {
    using Cut = Panel::BevelCut;

    Image1 = new Image(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 245, 340);
    Image1->setPicture(backgroundPicture());

    Panel1 = makePanel(this, "Panel1", {24, 128, 201, 137}, Qt::black, Cut::Raised, Cut::Lowered);
    Bevel1 = new Bevel(Panel1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(104, 24, 89, 28);
    Bevel1->setStyle(Bevel::BevelStyle::Raised);
    Label1 = makeLabel(Panel1, "Label1", {110, 26, 45, 24}, QStringLiteral("00:00"), kLime,
                       layoutFont(19));
    Label2 = makeLabel(Panel1, "Label2", {160, 32, 29, 13}, QStringLiteral("(м:с)"), kLime,
                       layoutFont(kDefaultPixelSize, true));
    Label3 = makeLabel(Panel1, "Label3", {104, 8, 74, 13}, QStringLiteral("Время разгов."), kYellow,
                       layoutFont());
    GradButtonCopy1 =
        makeCopyButton(Panel1, "GradButtonCopy1", {160, 104, 34, 25}, QStringLiteral("Set"));
    GradButtonCopy2 =
        makeCopyButton(Panel1, "GradButtonCopy2", {103, 104, 50, 25}, QStringLiteral("Сброс"));
    GradButtonCopy2->setGlyph(QPixmap(reset_xpm));
    GradButtonCopy3 =
        makeCopyButton(Panel1, "GradButtonCopy3", {103, 77, 90, 25}, QStringLiteral("Журнал"));
    GradButtonCopy3->setGlyph(QPixmap(journal_xpm));
    Label4 = makeLabel(Panel1, "Label4", {104, 58, 45, 13}, QStringLiteral("Попыток"), kYellow,
                       layoutFont());
    Label5 = makeLabel(Panel1, "Label5", {160, 56, 22, 16}, QStringLiteral("0/0"), kLime,
                       layoutFont(13, true));

    struct Key {
        TGradButton* TForm1::*button;
        const char* name;
        const char* caption;
        int left;
        int top;
        int tag;
    };
    static constexpr Key kKeypad[] = {
        {&TForm1::RxSpeedButton1, "RxSpeedButton1", "1", 8, 8, 1},
        {&TForm1::RxSpeedButton2, "RxSpeedButton2", "2", 40, 8, 2},
        {&TForm1::RxSpeedButton3, "RxSpeedButton3", "3", 72, 8, 3},
        {&TForm1::RxSpeedButton4, "RxSpeedButton4", "4", 8, 40, 4},
        {&TForm1::RxSpeedButton5, "RxSpeedButton5", "5", 40, 40, 5},
        {&TForm1::RxSpeedButton6, "RxSpeedButton6", "6", 72, 40, 6},
        {&TForm1::RxSpeedButton7, "RxSpeedButton7", "7", 8, 72, 7},
        {&TForm1::RxSpeedButton8, "RxSpeedButton8", "8", 40, 72, 8},
        {&TForm1::RxSpeedButton9, "RxSpeedButton9", "9", 72, 72, 9},
        {&TForm1::RxSpeedButton10, "RxSpeedButton10", "D", 8, 104, 0},
        {&TForm1::RxSpeedButton11, "RxSpeedButton11", "0", 40, 104, 0},
        {&TForm1::RxSpeedButton12, "RxSpeedButton12", "#", 72, 104, 0},
    };
    for (const Key& key : kKeypad) {
        TGradButton* button = makeGradButton(Panel1, key.name, {key.left, key.top, 25, 25},
                                             QLatin1String(key.caption), Qt::black);
        button->setFaceColor(kGray);
        button->setAllowAllUp(true);
        button->Tag = key.tag;
        this->*key.button = button;
    }

    Panel2 = makePanel(this, "Panel2", {32, 272, 184, 25}, Qt::black, Cut::None, Cut::None);
    GradButton1 = makeGradButton(Panel2, "GradButton1", {0, 0, 92, 25},
                                 QStringLiteral("Автодозвон"), kSilver);
    GradButton2 =
        makeGradButton(Panel2, "GradButton2", {91, 0, 94, 25}, QStringLiteral("Разговор"), kSilver);
    Panel3 = makePanel(this, "Panel3", {80, 304, 89, 25}, kSilver, Cut::None, Cut::None);
    GradButton3 =
        makeGradButton(Panel3, "GradButton3", {0, 0, 89, 25}, QStringLiteral("Выход"), kGray);
    for (TGradButtonCopy* copy : {GradButtonCopy1, GradButtonCopy2, GradButtonCopy3}) {
        copy->setButtonLink(GradButton1);
    }

    Edit1 = makeCaptionCell(this, "Edit1", {27, 75, 62, 21}, QStringLiteral("Абонент"), kAzure);
    Edit2 = makeCaptionCell(this, "Edit2", {27, 95, 62, 21}, QStringLiteral("Телефон"), kPaleGreen);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(88, 116, 113, 134);
    ListBox1->setFont(layoutFont());
    ListBox1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setItemDelegate(new FixedRowDelegate(ListBox1));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setAttribute(Qt::WA_NoMousePropagation);
    setColors(ListBox1, Qt::black, kPaleGreen);
    ListBox1->hide();

    Comboedit2 = makeEdit(this, "Comboedit2", {88, 95, 113, 21}, kPaleGreen);
    ComboEdit1 = makeEdit(this, "ComboEdit1", {88, 75, 113, 21}, kAzure);

    Panel4 = makePanel(this, "Panel4", {201, 76, 21, 40}, kSilver, Cut::None, Cut::None);
    BitBtn1 = makePictureButton(Panel4, "BitBtn1", {-1, 21, 22, 20}, book_xpm,
                                QStringLiteral("Список номеров"));
    BitBtn2 = makePictureButton(Panel4, "BitBtn2", {-1, 0, 22, 20}, phone_xpm,
                                QStringLiteral("Телефонная книга"));

    Comm321 = new serial::TZRTComm32(this);
    Comm321->setObjectName(QStringLiteral("Comm321"));
    Comm321->CommPort = serial::TCommPort::Com4;
    Comm321->BaudRate = serial::TBaudRate::___2400;
    Comm321->Parity = serial::TParity::None;
    Comm321->DataBits = serial::TDataBits::_8;
    Comm321->StopBits = serial::TStopBits::_1;
    // A device that is missing or not allowed is the port mapping's or the groups' fault: the
    // modem window finds the devices, maps the ports and tells what keeps the user out.
    Comm321->DeviceHelp = "zvonmat-modem";

    // Both clocks tick once a second; a coarse timer may be several per cent off, which a
    // countdown of minutes would show.
    for (QTimer** timer : {&Timer1, &Timer2}) {
        *timer = new QTimer(this);
        (*timer)->setInterval(1000);
        (*timer)->setTimerType(Qt::PreciseTimer);
    }
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2->setObjectName(QStringLiteral("Timer2"));

    describeControls();

    setTabOrder(ListBox1, Comboedit2);
    setTabOrder(Comboedit2, ComboEdit1);
    Comboedit2->setFocus();
}

void TForm1::describeControls() {
    // Names for screen readers where a control's text is a value: the clock and the attempt
    // counter are named by their captions, the fields by their caption cells.
    Label1->setAccessibleName(QStringLiteral("Время"));
    Label5->setAccessibleName(QStringLiteral("Попыток"));
    ComboEdit1->setAccessibleName(QStringLiteral("Абонент"));
    Comboedit2->setAccessibleName(QStringLiteral("Телефон"));

    BitBtn2->setToolTip(QStringLiteral("Открыть телефонную книгу"));
    BitBtn1->setToolTip(QStringLiteral("Показать список набранных номеров"));
    GradButton1->setToolTip(QStringLiteral("Набирать номер, пока занято (Enter)"));
    GradButtonCopy2->setToolTip(QStringLiteral("Сбросить модем и счёт попыток"));
    GradButton2->setToolTip(QStringLiteral("Абонент ответил: освободить линию и засечь время"));
    GradButtonCopy3->setToolTip(QStringLiteral("Открыть журнал звонков"));
    GradButtonCopy1->setToolTip(QStringLiteral("Открыть настройки: порт, набор, ожидание"));
    GradButton3->setToolTip(QStringLiteral("Сохранить список номеров и выйти (Ctrl+Q)"));
}

void TForm1::paintEvent(QPaintEvent*) {
    // The window paints its own outline too, for compositors that ignore the mask.
    QPainter painter(this);
    if (window_region) {
        painter.setClipRegion(*window_region);
    }
    painter.fillRect(rect(), Qt::black);
}
