// Times the plain-text reader on multi-megabyte manuscripts against the
// conversion alone, so that what the weighing of UTF-8 against GB costs
// shows by itself: a UTF-8 manuscript (the weighing runs until GB is ruled
// out), a GBK one (it stops at the first byte that is not UTF-8) and the
// worst case, GBK text whose bytes are well-formed UTF-8 from end to end
// (it runs over every byte and decides at the end).

#include "text/codepage.h"
#include "text/cp936.h"
#include "text/encodingguess.h"
#include "text/plaintext.h"

#include <QString>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr double TargetExtraMs = 5.0;
constexpr qsizetype Characters = 2'000'000;

QString repeated(std::initializer_list<const char16_t *> pieces, qsizetype length)
{
    QString text;
    text.reserve(length);
    const std::vector<const char16_t *> all(pieces);
    for (std::size_t i = 0; text.size() < length; ++i)
        text.append(QString::fromUtf16(all[i % all.size()]));
    text.truncate(length);
    return text;
}

double threadMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The thread's own processor time, which other work on a shared machine
// does not inflate the way it does the clock on the wall.
double medianMs(const std::function<void()> &work)
{
    std::vector<double> runs;
    for (int i = 0; i < 15; ++i) {
        const double start = threadMs();
        work();
        runs.push_back(threadMs() - start);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

// The decode of the bytes against the same bytes converted alone (through
// the reader with no choice to make: a byte-order mark for UTF-8, the data
// file mode for GB).
bool compare(const char *name, const QByteArray &bytes, const QByteArray &converted,
             bilan::plaintext::Unmarked conversionMode, bilan::plaintext::Encoding expected)
{
    using namespace bilan::plaintext;
    bool right = true;
    const double decodeMs = medianMs([&] { right = decode(bytes).encoding == expected && right; });
    const double convertMs = medianMs([&] { (void)decode(converted, conversionMode); });
    const double guessMs = medianMs([&] {
        EncodingGuess guess;
        guess.feed(bytes);
        (void)guess.verdict();
    });
    const double extra = decodeMs - convertMs;
    std::printf("%-30s %4.1f MB: read %6.2f ms, conversion alone %7.2f ms, extra %6.2f ms"
                " (weighing alone %5.2f ms)  (target extra < %.0f ms: %s)\n",
                name, double(bytes.size()) / 1e6, decodeMs, convertMs, extra, guessMs, TargetExtraMs,
                extra < TargetExtraMs && right ? "met" : "MISSED");
    return extra < TargetExtraMs && right;
}

} // namespace

int main()
{
    using namespace bilan::plaintext;
    if (!bilan::cp936::isAvailable()) {
        std::fputs("bench_plaintext: no GBK converter\n", stderr);
        return 1;
    }
    bilan::cp936::prepare();
    // The weighing's own tables are built the first time two readings are
    // both still possible at a character beyond ASCII.
    const double tablesStart = threadMs();
    {
        EncodingGuess guess;
        guess.feed("\xD0\xA1\xD3\xA2");
    }
    const double tablesMs = threadMs() - tablesStart;

    const QString manuscript = repeated({u"电阻", u"R1", u"，", u"三极管", u"9013", u"的", u"集电极", u"接",
                                         u"10kΩ", u"。\n", u"LED", u"亮"},
                                        Characters);
    // Characters whose GBK bytes are also one UTF-8 character each.
    const QString alsoUtf8 = repeated({u"小英", u"LED ", u"选注", u"\n", u"住省", u"10k "}, Characters);

    const QByteArray utf8 = manuscript.toUtf8();
    bool met = compare("UTF-8 manuscript", utf8, "\xEF\xBB\xBF" + utf8, Unmarked::Guess, Encoding::Utf8);
    const QByteArray gbk = encode(manuscript);
    met = compare("GBK manuscript", gbk, gbk, Unmarked::SystemCodePage, Encoding::Gb18030) && met;
    const QByteArray both = encode(alsoUtf8);
    met = compare("GBK that is UTF-8 throughout", both, both, Unmarked::SystemCodePage, Encoding::Gb18030) && met;
    std::printf("tables for the weighing (first use only): %.2f ms\n", tablesMs);
    return met ? 0 : 2;
}
