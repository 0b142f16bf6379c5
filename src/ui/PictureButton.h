// CPictureButton: the main window's painted buttons. A rounded face that
// lights on hover and sinks when pressed, a keyboard focus ring, the caption
// wrapped to fit (shrunk rather than cut off), and for the two side buttons a
// small drawn picture above a short caption. Hovering may play a sound.
#pragma once

#include <QAbstractButton>
#include <functional>

class CPictureButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Glyph { None, Editor, TrainingWheels };

    explicit CPictureButton(QWidget* parent, Glyph glyph = Glyph::None);

    void SetTextColour(const QColor& colour) {
        m_textColour = colour;
        update();
    }
    // Called when the pointer enters a button that can be clicked.
    static void SetHoverHook(std::function<void()> hook);

    QSize sizeHint() const override { return {94, 45}; }
    // Whether the caption fits the face at the button's font size (else it was drawn smaller).
    bool CaptionFits() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRectF TextArea() const;
    void PaintGlyph(class QPainter& p, const QRectF& area) const;

    Glyph m_glyph;
    QColor m_textColour;
    bool m_hover = false;
};
