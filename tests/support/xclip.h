#pragma once

// The X clipboard as other programs see it, through xclip. Header only, for
// the tests that run on a real X server.

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

namespace bilan::test {

// What another program reads from the clipboard; this process keeps
// serving the clipboard it may own meanwhile.
inline QByteArray othersSee(const char *target = "UTF8_STRING")
{
    QProcess reader;
    reader.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", QLatin1String(target)});
    QElapsedTimer clock;
    clock.start();
    while (reader.state() != QProcess::NotRunning && clock.elapsed() < 10000)
        QTest::qWait(10);
    return reader.readAllStandardOutput();
}

// Another program copies the text: xclip owns the clipboard with it until
// someone else takes it.
inline void copyElsewhere(QProcess &owner, const QByteArray &text)
{
    owner.start(QStringLiteral("xclip"), {"-i", "-selection", "clipboard", "-quiet"});
    QVERIFY(owner.waitForStarted(5000));
    owner.write(text);
    owner.closeWriteChannel();
    QTRY_COMPARE_WITH_TIMEOUT(othersSee(), text, 10000);
}

} // namespace bilan::test
