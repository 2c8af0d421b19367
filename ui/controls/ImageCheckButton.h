// A two-state check button drawn with one image for "checked" and one for
// "unchecked", its caption beside the image. A click changes the state before
// clicked() is emitted, so a handler of clicked() reads the new state;
// setChecked() emits toggled() but not clicked().
#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QString>

class QPaintEvent;

namespace brevant {

class ImageCheckButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit ImageCheckButton(QWidget* parent = nullptr);
    ImageCheckButton(int controlId, const QString& text, QWidget* parent = nullptr);
    ~ImageCheckButton() override;

    ImageCheckButton(const ImageCheckButton&) = delete;
    ImageCheckButton& operator=(const ImageCheckButton&) = delete;

    // The number the owner knows this button by, kept in the "controlId"
    // property too.
    void SetControlId(int controlId);
    int ControlId() const { return controlId_; }

    // The two images by resource number, at this widget's device pixel ratio
    // times the form's zoom. False (and no images) when either is missing.
    bool LoadImages(int checkedBitmapId, int uncheckedBitmapId);
    // The two images given directly.
    void SetImages(const QImage& checked, const QImage& unchecked);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static QImage Greyed(const QImage& image);
    QSize ImageSize() const;
    qreal ImageRatio() const;
    void ReloadForRatio();

    int controlId_ = 0;
    QImage checked_;
    QImage unchecked_;
    int checkedId_ = 0;
    int uncheckedId_ = 0;
    qreal ratio_ = 1.0;
};

}  // namespace brevant
