#include "inventory.h"

#include "aids/symbolbar.h"
#include "aids/vocabulary.h"
#include "elements.h"
#include "fittedlabel.h"
#include "menus.h"
#include "twips.h"
#include "windowicon.h"

#include <QFontMetricsF>
#include <QHash>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSize>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

namespace bilan {

namespace {

// Designed geometry, in units of 1/1440 inch.
constexpr int kToolbarHeight = 615;
constexpr int kManuscriptLeft = 4920;
constexpr int kClientTop = 720;
constexpr int kPanelLeft = 120;
constexpr int kPanelWidth = 4695;
constexpr int kDesignedHeight = 7095;
// Room the layout leaves beside and below the manuscript area.
constexpr int kWidthBesideManuscript = 4900;
constexpr int kHeightAroundManuscript = 1200;
constexpr int kHScrollAbovePanelBottom = 300;

constexpr int kPhraseWidth = 2295;
constexpr int kPhraseHeight = 495;
constexpr int kPhraseLeftColumn = 120;
constexpr int kPhraseRightColumn = 2400;
constexpr int kPhraseFirstWindowRow = 1680;
constexpr int kPhrasePitch = 480;

constexpr int kBoardTop = 720;
constexpr int kBoardPitch = 600;
constexpr int kBoardHeight = 615;
constexpr int kLastBoardHeight = 735;

constexpr int kWatcherInterval = 800;

const QString kTextFont = QStringLiteral("宋体");

// The side panel: a plain white surface the term labels and the picture
// are drawn on. It paints itself rather than carry a white palette, which
// its children would inherit (the tab strip and scroll bars keep the
// desktop's colours).
class PanelSurface final : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
    }
};

void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(Twips::rect(left, top, width, height));
}

// A control's tooltip is also what assistive technology reads out as its
// description; its accessible name says which control it is.
void describe(QWidget *widget, const QString &accessibleName, const QString &tooltip = {})
{
    widget->setAccessibleName(accessibleName);
    if (!tooltip.isEmpty()) {
        widget->setToolTip(tooltip);
        widget->setAccessibleDescription(tooltip);
    }
}

QFont designFont(double points)
{
    QFont font(kTextFont);
    font.setPointSizeF(points);
    return font;
}

// Quick-phrase box `index` (2 to 25) on the window: two columns from row 0
// at 1680, except that row 10 holds 23 on the left and 22 on the right.
QRect phraseBoxOnWindow(int index)
{
    const int row = (index - 2) / 2;
    bool left = index % 2 == 0;
    if (index == 22 || index == 23)
        left = !left;
    return QRect(left ? kPhraseLeftColumn : kPhraseRightColumn, kPhraseFirstWindowRow + kPhrasePitch * row,
                 kPhraseWidth, kPhraseHeight);
}

// A phrase box or clipboard board shows two lines of its text, as 宋体
// 9 pt does in the designed box; a face that draws taller lines gets the
// size at which two still fit, and the text sits close to the frame.
void fitBox(QPlainTextEdit *box)
{
    constexpr int kMargin = 1;
    box->document()->setDocumentMargin(kMargin);
    const int room = box->contentsRect().height() - 2 * kMargin;
    // 37 boxes in three heights: each height is measured once.
    static QHash<QString, QFont> chosen;
    const QString key = box->font().key() + QLatin1Char('/') + QString::number(room);
    auto found = chosen.constFind(key);
    if (found == chosen.constEnd()) {
        found = chosen.insert(key, fittingFont(box->font(), [room](const QFont &font) {
            return 2 * QFontMetricsF(font).lineSpacing() <= room;
        }));
    }
    box->setFont(*found);
}

// The term labels take their faces a few at a time once the window is up,
// so that neither the first frame nor the first 词汇助输 waits for the
// measuring; a label shown before its turn is fitted as it shows.
void fitLabelsWhenIdle(QWidget *panel, const std::array<QLabel *, 149> &labels)
{
    constexpr int kAfterStart = 1000; // ms
    constexpr int kPerTurn = 8;
    auto *turns = new QTimer(panel);
    turns->setInterval(0);
    QObject::connect(turns, &QTimer::timeout, panel, [labels, turns, next = std::size_t(0)]() mutable {
        for (int n = 0; n < kPerTurn && next < labels.size(); ++n)
            static_cast<FittedLabel *>(labels[next++])->ensureFitted();
        if (next == labels.size())
            turns->deleteLater();
    });
    QTimer::singleShot(kAfterStart, turns, qOverload<>(&QTimer::start));
}

QPlainTextEdit *phraseBox(QWidget *parent, int index, const QRect &twips)
{
    auto *box = asElement(new QPlainTextEdit(parent), "Text1", index);
    place(box, twips.x(), twips.y(), twips.width(), twips.height());
    describe(box, QStringLiteral("快捷输入词组%1").arg(index + 1), QStringLiteral("请输入适合您的快捷输入词组"));
    fitBox(box);
    box->hide();
    return box;
}

// The side panel's own children, back to front: the panel surface with the
// picture and the term labels, the reference text area, the picture scroll
// bars, the tab strip, and the two phrase boxes that belong to the panel.
void buildSidePanel(Form1Ui &ui)
{
    QWidget *panel = ui.Picture1;

    ui.Image1 = new QLabel(panel);
    ui.Image1->setObjectName(QStringLiteral("Image1"));
    place(ui.Image1, 0, 0, 4455, 6855);
    describe(ui.Image1, QStringLiteral("参考图片"));
    ui.Image1->hide();

    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    for (int i = 0; i < vocabulary::Count; ++i) {
        auto *label = asElement(new FittedLabel(vocabulary::caption(i), panel), "Label2", i);
        const QRect twips = vocabulary::geometry(i);
        place(label, twips.x(), twips.y(), twips.width(), twips.height());
        label->setPalette(white);
        label->setAutoFillBackground(true);
        label->setWordWrap(vocabulary::wraps(i));
        // Labels are sized on 90 units per code-page-936 byte, which 宋体
        // 9 pt fills exactly; other faces get the size that fits.
        label->fit(vocabulary::wraps(i) ? 2 : 1);
        label->hide();
        ui.Label2[std::size_t(i)] = label;
    }

    fitLabelsWhenIdle(panel, ui.Label2);

    ui.RichTextBox2 = new QTextEdit(panel);
    ui.RichTextBox2->setObjectName(QStringLiteral("RichTextBox2"));
    place(ui.RichTextBox2, 0, 0, kPanelWidth, 7215);
    describe(ui.RichTextBox2, QStringLiteral("参考文本"), QStringLiteral("请打开参考用文本、图片等"));

    ui.HScroll1 = new QScrollBar(Qt::Horizontal, panel);
    ui.HScroll1->setObjectName(QStringLiteral("HScroll1"));
    place(ui.HScroll1, 0, 6840, 4455, 255);
    ui.HScroll1->setMinimum(0);
    describe(ui.HScroll1, QStringLiteral("图片水平滚动条"));
    ui.HScroll1->hide();

    ui.VScroll1 = new QScrollBar(Qt::Vertical, panel);
    ui.VScroll1->setObjectName(QStringLiteral("VScroll1"));
    place(ui.VScroll1, 4440, 0, 255, kDesignedHeight);
    ui.VScroll1->setMinimum(0);
    describe(ui.VScroll1, QStringLiteral("图片垂直滚动条"));
    ui.VScroll1->hide();

    ui.TabStrip1 = new QTabWidget(panel);
    ui.TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    ui.TabStrip1->setFont(designFont(9.75));
    ui.TabStrip1->addTab(new QWidget, QStringLiteral("助输定制"));
    place(ui.TabStrip1, 0, 0, kPanelWidth, kDesignedHeight);
    // The tab strip covers everything behind it on the panel, the strip
    // beside its one tab included, where Qt would let the term labels of
    // an earlier mode show through.
    ui.TabStrip1->setAutoFillBackground(true);
    describe(ui.TabStrip1, QStringLiteral("助输定制"));
    ui.TabStrip1->hide();

    ui.Text1[0] = phraseBox(panel, 0, QRect(0, 480, kPhraseWidth, kPhraseHeight));
    ui.Text1[1] = phraseBox(panel, 1, QRect(2250, 480, kPhraseWidth, kPhraseHeight));
}

} // namespace

void buildForm1(QMainWindow &window, Form1Ui &ui)
{
    window.setWindowTitle(QStringLiteral("笔澜2.5"));
    window.setWindowIcon(windowIcon());
    window.setFont(designFont(10.5));

    buildMenus(window, ui);

    // Every control of the client area shows its text in 宋体 9 pt; they
    // take it from here (the tab strip sets its own 9.75 pt).
    ui.client = new QWidget(&window);
    ui.client->setObjectName(QStringLiteral("client"));
    ui.client->setFont(designFont(9));
    window.setCentralWidget(ui.client);

    // Window-level controls, back to front: the toolbar, the manuscript,
    // the side panel, the symbol bar, then the phrase boxes and in front of
    // everything the clipboard boards, which lie over the panel.
    ui.Toolbar1 = new QToolBar(ui.client);
    ui.Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    ui.Toolbar1->setMovable(false);
    ui.Toolbar1->setFloatable(false);
    ui.Toolbar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ui.Toolbar1->setGeometry(0, 0, ui.client->width(), Twips::toPixelsY(kToolbarHeight));
    describe(ui.Toolbar1, QStringLiteral("工具栏"));
    buildToolbarButtons(ui);

    ui.RichTextBox1 = new QTextEdit(ui.client);
    ui.RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    place(ui.RichTextBox1, kManuscriptLeft, kClientTop, 6600, kDesignedHeight);
    describe(ui.RichTextBox1, QStringLiteral("文稿"), QStringLiteral("请写您的稿子"));
    // The author starts typing as soon as the window opens.
    ui.RichTextBox1->setFocus();

    ui.Picture1 = new PanelSurface(ui.client);
    ui.Picture1->setObjectName(QStringLiteral("Picture1"));
    place(ui.Picture1, kPanelLeft, kClientTop, kPanelWidth, kDesignedHeight);
    describe(ui.Picture1, QStringLiteral("侧栏"));
    buildSidePanel(ui);

    for (int i = 0; i < symbolbar::Count; ++i) {
        auto *button = asElement(new QPushButton(symbolbar::caption(i), ui.client), "Command1", i);
        place(button, symbolbar::left(i), symbolbar::DesignedTop, symbolbar::Width, symbolbar::Height);
        ui.Command1[std::size_t(i)] = button;
    }

    for (int i = 2; i < int(ui.Text1.size()); ++i)
        ui.Text1[std::size_t(i)] = phraseBox(ui.client, i, phraseBoxOnWindow(i));

    for (int i = 0; i < int(ui.Text2.size()); ++i) {
        auto *board = asElement(new QPlainTextEdit(ui.client), "Text2", i);
        const int height = i == int(ui.Text2.size()) - 1 ? kLastBoardHeight : kBoardHeight;
        place(board, kPanelLeft, kBoardTop + kBoardPitch * i, kPanelWidth, height);
        describe(board, QStringLiteral("剪贴板%1").arg(i + 1), QStringLiteral("单击可将本板文字贴到您的文稿里"));
        fitBox(board);
        board->hide();
        ui.Text2[std::size_t(i)] = board;
    }

    ui.Timer1 = new QTimer(&window);
    ui.Timer1->setObjectName(QStringLiteral("Timer1"));
    ui.Timer1->setInterval(kWatcherInterval);
}

void layoutForm1(const Form1Ui &ui, const QSize &clientPixels)
{
    const int width = Twips::fromPixelsX(clientPixels.width());
    const int height = Twips::fromPixelsY(clientPixels.height());
    // A minimised or very small window would give negative sizes.
    const int manuscriptWidth = std::max(0, width - kWidthBesideManuscript);
    const int manuscriptHeight = std::max(0, height - kHeightAroundManuscript);
    const int panelHeight = Twips::toPixelsY(manuscriptHeight);

    // Each rule replaces one coordinate; whatever it does not name stays
    // where the control is.
    ui.Toolbar1->resize(std::max(0, clientPixels.width()), ui.Toolbar1->height());
    ui.RichTextBox1->resize(Twips::toPixelsX(manuscriptWidth), panelHeight);
    const int symbolTop = Twips::toPixelsY(height - symbolbar::DistanceFromBottom);
    for (QPushButton *button : ui.Command1)
        button->move(button->x(), symbolTop);
    ui.Picture1->resize(ui.Picture1->width(), panelHeight);
    ui.HScroll1->move(ui.HScroll1->x(), Twips::toPixelsY(manuscriptHeight - kHScrollAbovePanelBottom));
    ui.VScroll1->resize(ui.VScroll1->width(), panelHeight);
    ui.RichTextBox2->resize(ui.RichTextBox2->width(), panelHeight);
}

} // namespace bilan
