// Times the manuscript cipher on a 1,000,000-character formatted manuscript:
// the shift of the characters alone against 5 ms, and the whole encrypt and
// decrypt commands against the time the editor takes to set the same text
// as plain text (what replacing the content wholesale would cost).

#include "protect/documentcipher.h"
#include "protect/shiftcipher.h"
#include "text/cp936.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <vector>

using namespace bilan::protect;

namespace {

constexpr qsizetype Length = 1'000'000;
constexpr double ShiftTargetMs = 5.0;
constexpr double CommandTargetRatio = 2.0;
const QString kExempt = QStringLiteral("，。、；：？“”‘’（）《》—");

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// About 240 characters a paragraph, in runs of plain text with a bold
// part name, a coloured value and a term in another font between them.
constexpr int kArticleRuns[] = {90, 8, 70, 12, 50, 10};
// A run every 6 characters: far more formatting than any article has.
constexpr int kDenseRuns[] = {6, 6, 7, 6, 7, 6, 7, 8};

// Paragraphs of a construction article in runs of the given lengths, a
// centred heading every twenty paragraphs.
void buildManuscript(QTextDocument &document, std::span<const int> runLengths)
{
    static const char16_t *pieces[] = {
        u"电阻", u"R1", u"，", u"三极管", u"9013", u"的", u"集电极", u"接", u"10kΩ", u"。", u"LED", u"亮",
    };
    QTextCharFormat formats[4];
    formats[1].setFontWeight(QFont::Bold);
    formats[2].setForeground(QColor(0xC0, 0, 0));
    formats[3].setFontFamilies({QStringLiteral("黑体")});
    formats[3].setFontPointSize(12);
    QTextBlockFormat heading;
    heading.setAlignment(Qt::AlignHCenter);

    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    qsizetype written = 0;
    std::size_t piece = 0;
    for (int paragraph = 0; written < Length; ++paragraph) {
        if (paragraph > 0) {
            cursor.insertBlock(paragraph % 20 == 0 ? heading : QTextBlockFormat(), QTextCharFormat());
            ++written;
        }
        for (std::size_t run = 0; run < runLengths.size() && written < Length; ++run) {
            QString text;
            while (text.size() < runLengths[run])
                text += QString::fromUtf16(pieces[piece++ % std::size(pieces)]);
            text.truncate(std::min<qsizetype>(runLengths[run], Length - written));
            cursor.insertText(text, formats[run % 2 == 0 ? 0 : 1 + run / 2 % 3]);
            written += text.size();
        }
    }
    cursor.endEditBlock();
}

struct CommandTimes
{
    int paragraphs = 0;
    int runs = 0;
    double set = 0;
    double setCall = 0;
    double encrypt = 0;
    double decrypt = 0;
};

int countRuns(const QTextDocument &document)
{
    int runs = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            ++runs;
    return runs;
}

// The toolkit lays out a text it has just been given lazily, a screenful at
// once and the rest from a timer, while a change in place is laid out
// before the call returns; so each is timed to the end of its layout, and
// the call of setting the text alone is shown as well.
std::optional<CommandTimes> timeCommands(QApplication &app, QTextEdit &edit, const ShiftCipher &cipher,
                                         std::span<const int> runLengths)
{
    QTextDocument &document = *edit.document();
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    const auto laidOut = [&](const std::function<void()> &work) {
        return timeMs([&] {
            work();
            app.processEvents();
            layout->documentSize();
        });
    };
    std::vector<double> encrypts, decrypts, sets, setCalls;
    CommandTimes times;
    for (int i = 0; i < 5; ++i) {
        document.clear();
        buildManuscript(document, runLengths);
        layout->documentSize();
        const QString text = document.toPlainText();
        times.paragraphs = document.blockCount();
        times.runs = countRuns(document);
        encrypts.push_back(laidOut([&] { shiftDocument(document, cipher, Direction::Encrypt); }));
        const QString encryptedText = document.toPlainText();
        decrypts.push_back(laidOut([&] { shiftDocument(document, cipher, Direction::Decrypt); }));
        if (document.toPlainText() != text)
            return std::nullopt;
        sets.push_back(laidOut([&] { setCalls.push_back(timeMs([&] { document.setPlainText(encryptedText); })); }));
    }
    times.set = median(sets);
    times.setCall = median(setCalls);
    times.encrypt = median(encrypts);
    times.decrypt = median(decrypts);
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!bilan::cp936::isAvailable()) {
        std::fputs("bench_cipher: no GBK converter\n", stderr);
        return 1;
    }
    bilan::cp936::prepare();

    std::vector<double> builds;
    for (int i = 0; i < 9; ++i)
        builds.push_back(timeMs([] { const ShiftCipher cipher(kExempt); }));
    const ShiftCipher cipher(kExempt);

    QTextEdit edit;
    edit.resize(800, 600);
    edit.show();
    buildManuscript(*edit.document(), kArticleRuns);
    const QString text = edit.document()->toPlainText();
    std::vector<double> shifts;
    QString shifted(text.size(), Qt::Uninitialized);
    auto out = std::span<char16_t>(reinterpret_cast<char16_t *>(shifted.data()), std::size_t(shifted.size()));
    for (int i = 0; i < 21; ++i)
        shifts.push_back(timeMs([&] { cipher.apply(text, out, Direction::Encrypt); }));
    const double shiftMs = median(shifts);
    const bool shiftMet = shiftMs < ShiftTargetMs;
    std::printf("shift of 1,000,000 characters: %.3f ms median of %zu  (target < %.0f ms: %s)\n", shiftMs,
                shifts.size(), ShiftTargetMs, shiftMet ? "met" : "MISSED");
    std::printf("ring and tables for one command: %.3f ms median of %zu\n\n", median(builds), builds.size());

    const std::optional<CommandTimes> article = timeCommands(app, edit, cipher, kArticleRuns);
    const std::optional<CommandTimes> dense = timeCommands(app, edit, cipher, kDenseRuns);
    if (!article || !dense) {
        std::fputs("bench_cipher: decrypting did not restore the manuscript\n", stderr);
        return 1;
    }
    std::printf("1,000,000 characters, median of 5, to the end of layout  %12s %12s\n", "article", "dense");
    std::printf("%-56s %12d %12d\n", "paragraphs", article->paragraphs, dense->paragraphs);
    std::printf("%-56s %12d %12d\n", "runs of one format", article->runs, dense->runs);
    std::printf("%-56s %9.1f ms %9.1f ms\n", "set the encrypted text (setPlainText)", article->set, dense->set);
    std::printf("%-56s %9.1f ms %9.1f ms\n", "  its call alone, the layout deferred", article->setCall,
                dense->setCall);
    const auto row = [&](const char *name, double a, double d) {
        std::printf("%-56s %9.1f ms %9.1f ms   %.2f× / %.2f× set\n", name, a, d, a / article->set, d / dense->set);
    };
    row("encrypt command", article->encrypt, dense->encrypt);
    row("decrypt command", article->decrypt, dense->decrypt);
    const bool commandsMet = std::max(article->encrypt, article->decrypt) <= CommandTargetRatio * article->set;
    std::printf("(target: the article's commands within %.0f× of setting its text: %s)\n", CommandTargetRatio,
                commandsMet ? "met" : "MISSED");
    return shiftMet && commandsMet ? 0 : 2;
}
