#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

// A light-weight push button in the manner of a classic toolbar "speed button": it shows a
// pressed state while the left mouse button is held down on it and the pointer is over it, and
// emits clicked() when the button is released over it. Buttons with the same non-zero GroupIndex
// and the same parent form a group of which at most one stays down.
//
// By default it never takes the keyboard focus, as the keys of a device's keypad would not. A
// window that is to be finished from the keyboard gives its buttons a focus policy (Tab focus):
// the focused button then shows a dotted mark inside its face and Space presses it, looking
// pressed while the key is held and clicking when it is released.
class SpeedButton : public QWidget {
    Q_OBJECT
  public:
    enum class ButtonLayout { GlyphLeft, GlyphRight, GlyphTop, GlyphBottom };
    // Up: normal. Down: pressed while held. Exclusive: held down as a member of a group.
    enum class ButtonState { Up, Down, Exclusive };

    explicit SpeedButton(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);

    // The caption colour (the font's colour).
    QColor FontColor() const { return font_color_; }
    void setFontColor(const QColor& color);

    int Tag = 0;

    bool AllowAllUp() const { return allow_all_up_; }
    void setAllowAllUp(bool on) { allow_all_up_ = on; }
    // Leaving a group (index 0) lets the button up.
    int GroupIndex() const { return group_index_; }
    void setGroupIndex(int index);
    // Only a group member can be down; without AllowAllUp a down member stays down until another
    // member of its group goes down.
    bool Down() const { return down_; }
    void setDown(bool down);

    QPixmap Glyph() const { return glyph_; }
    void setGlyph(const QPixmap& glyph);
    ButtonLayout Layout() const { return layout_; }
    void setLayout(ButtonLayout layout);

    // The drawing state the next paint uses.
    ButtonState FState() const;

    // What a click with the left button does: a group member goes down (or up), then clicked().
    // A disabled button does nothing. Screen readers press the button through this.
    void click();

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    // The plain button face of a speed button: frame, face, glyph and caption.
    void paintPlain(QPainter& painter);
    // The focus mark: a dotted rectangle in the caption's colour, `inset` pixels inside the
    // control, drawn over the face only while the button has the focus.
    void paintFocusMark(QPainter& painter, int inset);

  private:
    void releaseGroupSiblings();
    // A press by the left button or by Space: the button looks pressed until it is released or
    // cancelled.
    void startPress();
    void cancelPress();
    // Space alone, not repeated: the key that presses a focused button.
    static bool isSpace(const QKeyEvent* event);

    QString caption_;
    QColor font_color_{0, 0, 0};
    bool allow_all_up_ = false;
    int group_index_ = 0;
    bool down_ = false;
    bool held_ = false;        // left button went down on us and is still held
    bool pointer_in_ = false;  // pointer over us while held
    QPixmap glyph_;
    ButtonLayout layout_ = ButtonLayout::GlyphLeft;
};
