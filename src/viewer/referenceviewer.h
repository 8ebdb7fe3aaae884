#pragma once

#include <QObject>
#include <QPoint>

namespace bilan {

class Form1;

// The reference material in the side panel: the picture, which the two
// scroll bars move one unit (1/1440 inch) per step of their value, and the
// reference text area, whose click directs the next Open and Copy to it.
class ReferenceViewer final : public QObject
{
    Q_OBJECT
public:
    explicit ReferenceViewer(Form1 &window);

    // The picture mode's last step: clears the picture, lets the author
    // choose one with the shared dialog and shows it at its natural size.
    // A file that is not a readable picture is reported and leaves the
    // picture empty.
    void loadPicture();

protected:
    // The mouse wheel over the picture moves it as the bars' arrows do.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showPicture(const QString &path);
    void setScrollRanges();

    Form1 &m_window;
    // What the wheel turned short of a whole notch, per direction: a
    // smooth wheel or touchpad sends notches in parts.
    QPoint m_wheelRest;
};

} // namespace bilan
