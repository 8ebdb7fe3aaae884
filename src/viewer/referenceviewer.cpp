#include "referenceviewer.h"

#include "picturefile.h"
#include "shell/clicks.h"
#include "shell/commondialog.h"
#include "shell/form1.h"
#include "shell/twips.h"

#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <QTextEdit>
#include <QWheelEvent>

#include <cstdlib>

namespace bilan {

namespace {

const QString kPictureTitle = QStringLiteral("看图");
// The GIF entry's pattern has no dot: it lists every name ending in "gif".
const QString kPictureFilter = QStringLiteral("*.bmp文件|*.bmp|*.gif文件|*gif|*.jpg文件|*.jpg|所有文件|*.*|");

// One click on an arrow moves the picture by this much; a click beside
// the thumb by the part of the panel the bar spans.
constexpr int kArrowStep = 300;

} // namespace

ReferenceViewer::ReferenceViewer(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("ReferenceViewer"));
    const Form1Ui &ui = window.ui();

    // Tracking makes the value change, and so the picture move, all the
    // while a thumb is dragged rather than only when it is released.
    ui.HScroll1->setTracking(true);
    ui.VScroll1->setTracking(true);
    ui.HScroll1->setSingleStep(kArrowStep);
    ui.VScroll1->setSingleStep(kArrowStep);
    QLabel *image = ui.Image1;
    connect(ui.HScroll1, &QScrollBar::valueChanged, this,
            [image](int value) { image->move(-Twips::toPixelsX(value), image->y()); });
    connect(ui.VScroll1, &QScrollBar::valueChanged, this,
            [image](int value) { image->move(image->x(), -Twips::toPixelsY(value)); });

    onClick(ui.RichTextBox2, [this] { m_window.flags().referenceSelected = true; });

    // Over the picture, or the white panel it has been scrolled off.
    ui.Image1->installEventFilter(this);
    ui.Picture1->installEventFilter(this);
}

bool ReferenceViewer::eventFilter(QObject *, QEvent *event)
{
    // The window is not asked about anything else: the filter also sees the
    // panel's events while the window is being taken down.
    if (event->type() != QEvent::Wheel)
        return false;
    const Form1Ui &ui = m_window.ui();
    if (!ui.Image1->isVisible())
        return false;
    const auto *wheel = static_cast<QWheelEvent *>(event);
    QPoint delta = wheel->angleDelta();
    // Shift turns the wheel sideways, as in every picture viewer.
    if ((wheel->modifiers() & Qt::ShiftModifier) && delta.x() == 0)
        delta = QPoint(delta.y(), 0);
    m_wheelRest += delta;
    // One notch (120 eighths of a degree) is one click on an arrow; turned
    // away from the author (positive) it moves towards the top or left.
    const auto step = [](QScrollBar *bar, int &rest) {
        const int notches = rest / QWheelEvent::DefaultDeltasPerStep;
        rest -= notches * QWheelEvent::DefaultDeltasPerStep;
        for (int i = 0; i < std::abs(notches); ++i)
            bar->triggerAction(notches > 0 ? QAbstractSlider::SliderSingleStepSub
                                           : QAbstractSlider::SliderSingleStepAdd);
    };
    step(ui.HScroll1, m_wheelRest.rx());
    step(ui.VScroll1, m_wheelRest.ry());
    return true;
}

void ReferenceViewer::loadPicture()
{
    const Form1Ui &ui = m_window.ui();
    CommonDialog &dialog = m_window.commonDialog();
    dialog.fileName.clear();
    // The image area keeps its size when cleared; the ranges follow it.
    ui.Image1->clear();
    ui.RichTextBox2->hide();
    dialog.filter = kPictureFilter;
    dialog.filterIndex = 1;
    dialog.dialogTitle = kPictureTitle;
    if (dialog.showOpen())
        showPicture(dialog.fileName);
    setScrollRanges();
}

void ReferenceViewer::showPicture(const QString &path)
{
    const picture::Reading reading = picture::read(path);
    if (!reading.ok()) {
        m_window.services().prompts->message(&m_window, reading.error, MessageButtons::Ok,
                                             MessageIcon::Warning);
        return;
    }
    // One pixel of the picture is one pixel of the window: never stretched.
    QPixmap pixmap = QPixmap::fromImage(reading.image);
    pixmap.setDevicePixelRatio(1.0);
    QLabel *image = m_window.ui().Image1;
    image->setPixmap(pixmap);
    image->resize(pixmap.size());
}

// The ranges are ints, not 16 bits: a picture wider or higher than 32,767
// units scrolls over its whole extent.
void ReferenceViewer::setScrollRanges()
{
    const Form1Ui &ui = m_window.ui();
    ui.VScroll1->setMaximum(Twips::fromPixelsY(ui.Image1->height()));
    ui.HScroll1->setMaximum(Twips::fromPixelsX(ui.Image1->width()));
    ui.HScroll1->setPageStep(std::max(1, Twips::fromPixelsX(ui.HScroll1->width())));
    ui.VScroll1->setPageStep(std::max(1, Twips::fromPixelsY(ui.VScroll1->height())));
}

} // namespace bilan
