// Times the code-936 values of a 1,000,000-character manuscript (the word
// count and the cipher both start with them), and separately the building
// of the tables behind them.

#include "text/cp936.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr double TargetMs = 5.0;

// A manuscript-like mix: mostly Chinese, ASCII part numbers and values,
// full-width punctuation, line breaks.
QString sampleText(qsizetype length)
{
    static const char16_t pieces[][12] = {
        u"电阻", u"R1", u"，", u"三极管", u"9013", u"的", u"集电极", u"接", u"10kΩ", u"。\n", u"LED", u"亮",
    };
    QString text;
    text.reserve(length);
    std::size_t i = 0;
    while (text.size() < length)
        text.append(QString::fromUtf16(pieces[i++ % std::size(pieces)]));
    text.truncate(length);
    return text;
}

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

} // namespace

int main()
{
    if (!bilan::cp936::isAvailable()) {
        std::fputs("bench_cp936: no GBK converter\n", stderr);
        return 1;
    }

    std::vector<double> builds;
    for (int i = 0; i < 9; ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto tables = bilan::cp936::detail::buildTables();
        builds.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (tables->values[u'A'] != 65)
            return 1;
    }

    bilan::cp936::prepare();
    const QString text = sampleText(1'000'000);
    std::vector<std::int16_t> values(std::size_t(text.size()));
    std::vector<double> runs;
    long long chinese = 0;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer timer;
        timer.start();
        bilan::cp936::values(text, values);
        runs.push_back(double(timer.nsecsElapsed()) / 1e6);
        chinese = std::count_if(values.begin(), values.end(), [](std::int16_t v) { return v < 0; });
    }

    const double valuesMs = median(runs);
    std::printf("code-936 values, 1,000,000 characters (%lld double-byte): %.3f ms median of %zu"
                "  (target < %.0f ms: %s)\n",
                chinese, valuesMs, runs.size(), TargetMs, valuesMs < TargetMs ? "met" : "MISSED");
    std::printf("table build (both directions, first use only): %.3f ms median of %zu\n",
                median(builds), builds.size());
    return valuesMs < TargetMs ? 0 : 2;
}
