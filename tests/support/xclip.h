#pragma once

// The X clipboard as other programs see it, through xclip. Header only, for
// the tests that run on a real X server.

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

namespace bilan::test {

// What another program reads from the selection ("clipboard" or
// "primary"); this process keeps serving a selection it may own meanwhile.
inline QByteArray othersSee(const char *target = "UTF8_STRING", const QString &selection = QStringLiteral("clipboard"))
{
    QProcess reader;
    reader.start(QStringLiteral("xclip"), {"-o", "-selection", selection, "-t", QLatin1String(target)});
    QElapsedTimer clock;
    clock.start();
    while (reader.state() != QProcess::NotRunning && clock.elapsed() < 10000)
        QTest::qWait(10);
    return reader.readAllStandardOutput();
}

// Another program copies the text: xclip owns the selection with it until
// someone else takes it.
inline void copyElsewhere(QProcess &owner, const QByteArray &text, const QString &selection = QStringLiteral("clipboard"))
{
    owner.start(QStringLiteral("xclip"), {"-i", "-selection", selection, "-quiet"});
    QVERIFY(owner.waitForStarted(5000));
    owner.write(text);
    owner.closeWriteChannel();
    QTRY_COMPARE_WITH_TIMEOUT(othersSee("UTF8_STRING", selection), text, 10000);
}

} // namespace bilan::test
