// What the author feels of a long manuscript on a real X screen: the time
// from the confirmed open dialog to the first frame that shows the
// manuscript, and from a keystroke to the frame that shows the typed
// character, at the end and in the middle of the text.
//
//   bench_editor window FILE
//   bench_editor floor|floor-show FILE.rtf --size WxH --font FONT
//   bench_editor floor-html FILE.html --size WxH --font FONT
//   bench_editor export-html FILE.rtf --output FILE.html
//   bench_editor typing FILE [--keystrokes N] [--gap MS] [--recovery 1]
//   bench_editor scroll FILE [--gap MS]
//
// "window" opens the file in the editor's own main window with its Open
// command. "floor" gives a bare QTextEdit of the manuscript area's size and
// font the document the same reader makes of the same file: what Qt alone
// costs to show it. "floor-show" and "floor-html" are other ways to the
// same document, for scale. "typing" types into the window and into a bare
// QTextEdit beside it, in turns; with --recovery the window keeps its
// recovery copy meanwhile, as the program does. "scroll" turns the mouse
// wheel one notch at a time from the top of the window's manuscript to its
// end, timing each notch to its frame. Each prints key=value lines for
// scripts/bench-editor.sh.

#include "benchwindow.h"
#include "frameclock.h"

#include "recovery/recoverycopy.h"
#include "shell/application.h"
#include "shell/form1.h"
#include "text/manuscriptio.h"

#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QWheelEvent>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <array>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace {

using bench::FrameClock;

struct Options
{
    QString mode;
    QString file;
    QSize size;
    QString font;
    QString output; // export-html
    int keystrokes = 200;
    int gapMs = 40;
    bool recovery = false; // typing: the window keeps a recovery copy
};

std::optional<Options> parse(const QStringList &arguments)
{
    Options options;
    if (arguments.size() < 3)
        return std::nullopt;
    options.mode = arguments.at(1);
    // Open moves the working directory to the file's folder.
    options.file = QFileInfo(arguments.at(2)).absoluteFilePath();
    for (qsizetype i = 3; i + 1 < arguments.size(); i += 2) {
        const QString &name = arguments.at(i);
        const QString &value = arguments.at(i + 1);
        if (name == QLatin1String("--size")) {
            const QStringList parts = value.split(QLatin1Char('x'));
            options.size = QSize(parts.value(0).toInt(), parts.value(1).toInt());
        } else if (name == QLatin1String("--font")) {
            options.font = value;
        } else if (name == QLatin1String("--output")) {
            options.output = value;
        } else if (name == QLatin1String("--keystrokes")) {
            options.keystrokes = value.toInt();
        } else if (name == QLatin1String("--gap")) {
            options.gapMs = value.toInt();
        } else if (name == QLatin1String("--recovery")) {
            options.recovery = value.toInt() != 0;
        } else {
            return std::nullopt;
        }
    }
    static const QStringList modes = {QStringLiteral("window"),     QStringLiteral("floor"),
                                      QStringLiteral("floor-show"), QStringLiteral("floor-html"),
                                      QStringLiteral("export-html"), QStringLiteral("typing"),
                                      QStringLiteral("scroll")};
    if (!modes.contains(options.mode))
        return std::nullopt;
    if (options.mode.startsWith(QLatin1String("floor")) && (options.size.isEmpty() || options.font.isEmpty()))
        return std::nullopt;
    if (options.mode == QLatin1String("export-html") && options.output.isEmpty())
        return std::nullopt;
    return options.keystrokes > 0 ? std::optional(options) : std::nullopt;
}

void printMs(const char *key, qint64 nanoseconds)
{
    std::printf("%s=%.2f\n", key, double(nanoseconds) / 1e6);
}

// Every sample, comma-separated, for the script to pool and rank.
void printSamples(const char *key, const std::vector<qint64> &samples)
{
    std::printf("%s=", key);
    for (std::size_t k = 0; k < samples.size(); ++k)
        std::printf("%s%.3f", k ? "," : "", double(samples[k]) / 1e6);
    std::printf("\n");
}

// Reads the file into a new document of the edit's, as Open does.
QTextDocument *readDocument(QTextEdit &edit, const QString &file)
{
    auto *document = new QTextDocument(&edit);
    document->setDefaultFont(edit.document()->defaultFont());
    document->setDocumentMargin(edit.document()->documentMargin());
    const bilan::manuscript::Outcome outcome = bilan::manuscript::load(file, *document);
    if (!outcome.ok()) {
        std::fprintf(stderr, "bench_editor: %s\n", qPrintable(outcome.error));
        delete document;
        return nullptr;
    }
    return document;
}

int runWindow(FrameClock &clock, const Options &options)
{
    bench::BenchWindow window(options.file);
    if (!window.show(clock))
        return 1;
    const std::optional<bench::OpenTimes> times = window.open(clock);
    if (!times)
        return 1;
    QTextEdit &manuscript = window.manuscript();
    printMs("open_ms", times->painted - times->confirmed);
    printMs("open_load_ms", times->loaded - times->confirmed);
    std::printf("characters=%d\n", manuscript.document()->characterCount() - 1);
    std::printf("size=%dx%d\n", manuscript.width(), manuscript.height());
    std::printf("font=%s\n", qPrintable(manuscript.font().toString()));
    clock.unwatch();
    window.end();
    return 0;
}

// The floor's ways to a document, each timed from its start to the first
// frame of the bare edit:
//   floor        the editor's reader makes the document from the file, as
//                Open does (the target's floor: Qt has no RTF reader);
//   floor-html   Qt's own rich-text import reads the same document from an
//                HTML file written beforehand (export-html);
//   floor-show   the document is read before the clock starts: handing it
//                to the edit and painting alone.
int runFloor(FrameClock &clock, const Options &options)
{
    QTextEdit edit;
    QFont font;
    font.fromString(options.font);
    edit.setFont(font);
    edit.resize(options.size);
    edit.show();
    if (!clock.waitForFrame(edit.viewport(), 10000)) {
        std::fputs("bench_editor: the text edit was never painted\n", stderr);
        return 1;
    }
    clock.settle(300);

    const bool html = options.mode == QLatin1String("floor-html");
    const bool showOnly = options.mode == QLatin1String("floor-show");
    QTextDocument *document = showOnly ? readDocument(edit, options.file) : nullptr;
    if (showOnly && !document)
        return 1;

    clock.watch(edit.viewport());
    const qint64 start = FrameClock::now();
    if (html) {
        QFile file(options.file);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "bench_editor: %s\n", qPrintable(file.errorString()));
            return 1;
        }
        document = new QTextDocument(&edit);
        document->setDefaultFont(edit.document()->defaultFont());
        document->setHtml(QString::fromUtf8(file.readAll()));
    } else if (!showOnly) {
        document = readDocument(edit, options.file);
        if (!document)
            return 1;
    }
    edit.setDocument(document);
    const qint64 loaded = FrameClock::now();
    const std::optional<qint64> painted = clock.nextFrame(10000);
    if (!painted) {
        std::fputs("bench_editor: no frame after the load\n", stderr);
        return 1;
    }
    printMs("open_ms", *painted - start);
    printMs("open_load_ms", loaded - start);
    std::printf("characters=%d\n", edit.document()->characterCount() - 1);
    clock.unwatch();
    return 0;
}

// Writes the document the editor's reader makes of FILE as HTML, for
// floor-html; not timed.
int exportHtml(const Options &options)
{
    QTextDocument document;
    const bilan::manuscript::Outcome outcome = bilan::manuscript::load(options.file, document);
    if (!outcome.ok()) {
        std::fprintf(stderr, "bench_editor: %s\n", qPrintable(outcome.error));
        return 1;
    }
    QSaveFile out(options.output);
    if (!out.open(QIODevice::WriteOnly) || out.write(document.toHtml().toUtf8()) < 0 || !out.commit()) {
        std::fprintf(stderr, "bench_editor: %s: %s\n", qPrintable(options.output), qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}

// Gives the edit the keyboard focus in an active window, as the author's
// typing has it; the focus change's own repaint is over before the next
// keystroke is timed.
void focus(FrameClock &clock, QTextEdit &edit)
{
    QWidget *window = edit.window();
    if (!window->isActiveWindow()) {
        window->activateWindow();
        for (int waited = 0; !window->isActiveWindow() && waited < 1000; waited += 10)
            clock.settle(10);
    }
    edit.setFocus();
    clock.settle(10);
}

void placeCaret(QTextEdit &edit, int position)
{
    QTextCursor cursor(edit.document());
    cursor.setPosition(position);
    edit.setTextCursor(cursor);
    edit.ensureCursorVisible();
}

// The window's manuscript and the bare edit beside it take keystrokes in
// turns, each the same character in the same place of the same document,
// so that whatever else the machine does falls on both alike.
int runTyping(FrameClock &clock, const Options &options)
{
    bench::BenchWindow window(options.file, options.recovery);
    if (!window.show(clock) || !window.open(clock))
        return 1;
    QTextEdit &manuscript = window.manuscript();

    QTextEdit floor;
    floor.setFont(manuscript.font());
    floor.resize(manuscript.size());
    floor.move(window.form().frameGeometry().right() + 20, 0);
    floor.show();
    if (!clock.waitForFrame(floor.viewport(), 10000))
        return 1;
    QTextDocument *document = readDocument(floor, options.file);
    if (!document)
        return 1;
    floor.setDocument(document);

    // A document lays itself out in the background after a load; the
    // author reads before typing, so typing starts once that is over.
    clock.waitForLayout(manuscript, 30000);
    clock.waitForLayout(floor, 30000);
    const qint64 typingStarted = FrameClock::now();

    std::array<QTextEdit *, 2> sides = {&manuscript, &floor};
    static const char *const sideNames[] = {"window", "floor"};
    // A manuscript's own mix: Chinese, ASCII part numbers, punctuation.
    static const QString typed = QStringLiteral("电阻R1的阻值为10k，三极管9013导通。");
    for (const char *where : {"end", "middle"}) {
        const QTextDocument &text = *manuscript.document();
        const int position = where == std::string_view("end")
                                 ? text.characterCount() - 1
                                 : text.findBlock((text.characterCount() - 1) / 2).position();
        for (QTextEdit *edit : sides)
            placeCaret(*edit, position);
        clock.settle(300);

        std::array<std::vector<qint64>, 2> latencies;
        for (int i = 0; i < options.keystrokes; ++i) {
            const QString character = typed.mid(i % typed.size(), 1);
            // Each side goes first every other time.
            for (int turn = 0; turn < 2; ++turn) {
                const int side = (i + turn) % 2;
                focus(clock, *sides[side]);
                clock.watch(sides[side]->viewport());
                const std::optional<qint64> latency = clock.keystrokeToFrame(*sides[side], character);
                if (!latency) {
                    std::fprintf(stderr, "bench_editor: no frame after keystroke %d (%s, %s)\n", i + 1,
                                 sideNames[side], where);
                    return 1;
                }
                latencies[side].push_back(*latency);
                clock.pause(options.gapMs);
            }
        }
        // Every sample, so that the script can pool several runs: the 99th
        // percentile of one run's few hundred keystrokes is its two or three
        // slowest, which whatever else the machine does decides.
        for (int side = 0; side < 2; ++side)
            printSamples(QStringLiteral("%1_%2_ms").arg(sideNames[side], where).toLatin1().constData(),
                         latencies[side]);
    }
    // How often the copy was written, over how long the window was typed in.
    if (options.recovery) {
        const bilan::RecoveryCopy *copy = window.form().findChild<bilan::RecoveryCopy *>();
        if (!copy || !copy->isKeeping()) {
            std::fputs("bench_editor: the window keeps no recovery copy\n", stderr);
            return 1;
        }
        std::printf("copies=%d\n", copy->copiesWritten());
        printMs("typing_ms", FrameClock::now() - typingStarted);
    }
    clock.unwatch();
    window.end();
    return 0;
}

// One wheel notch down over the manuscript, from the post to the frame.
// A notch that moves nothing (the end) paints nothing and is not counted.
int runScroll(FrameClock &clock, const Options &options)
{
    bench::BenchWindow window(options.file);
    if (!window.show(clock) || !window.open(clock))
        return 1;
    QTextEdit &manuscript = window.manuscript();
    clock.waitForLayout(manuscript, 30000);
    focus(clock, manuscript);
    QScrollBar &bar = *manuscript.verticalScrollBar();
    bar.setValue(0);
    clock.settle(300);

    std::vector<qint64> steps;
    QWidget *viewport = manuscript.viewport();
    const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    while (bar.value() < bar.maximum()) {
        const int before = bar.value();
        clock.watch(viewport);
        const qint64 start = FrameClock::now();
        QApplication::postEvent(viewport, new QWheelEvent(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120),
                                                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false));
        const std::optional<qint64> frame = clock.nextFrame(2000);
        if (!frame || bar.value() == before) {
            std::fprintf(stderr, "bench_editor: the wheel moved nothing at %d of %d\n", before, bar.maximum());
            return 1;
        }
        steps.push_back(*frame - start);
        clock.pause(options.gapMs);
    }
    printSamples("scroll_ms", steps);
    std::printf("height=%d\n", bar.maximum() + bar.pageStep());
    clock.unwatch();
    window.end();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    FrameClock app(argc, argv);
    const std::optional<Options> options = parse(app.arguments());
    if (!options) {
        std::fputs("usage: bench_editor window FILE\n"
                   "       bench_editor floor|floor-show FILE.rtf --size WxH --font FONT\n"
                   "       bench_editor floor-html FILE.html --size WxH --font FONT\n"
                   "       bench_editor export-html FILE.rtf --output FILE.html\n"
                   "       bench_editor typing FILE [--keystrokes N] [--gap MS] [--recovery 1]\n"
                   "       bench_editor scroll FILE [--gap MS]\n",
                   stderr);
        return 2;
    }
    // Every side starts the way the program does, translations and font
    // substitutes included, so that the document is drawn in the same faces.
    if (!bilan::prepareApplication(app))
        return 1;
    // A blinking caret repaints on its own timer; without it every frame
    // counted belongs to a keystroke or to the open.
    QApplication::setCursorFlashTime(0);
    int status = 0;
    if (options->mode == QLatin1String("window"))
        status = runWindow(app, *options);
    else if (options->mode == QLatin1String("typing"))
        status = runTyping(app, *options);
    else if (options->mode == QLatin1String("scroll"))
        status = runScroll(app, *options);
    else if (options->mode == QLatin1String("export-html"))
        status = exportHtml(*options);
    else
        status = runFloor(app, *options);
    std::fflush(stdout);
    return status;
}
