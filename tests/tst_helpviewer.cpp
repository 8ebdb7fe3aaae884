// The real desktop's shell open of the help file: a desktop that knows a
// program for compiled help files shows it there; where none is known, a
// viewer of that kind on the PATH does. Runs on a real X server (the test
// command starts Xvfb); whatever it starts is ended again.

#include "support/files.h"

#include "help/helpmenu.h"
#include "platform/services.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/types.h>

using namespace bilan;

namespace {

// The programs (first word of the command line) of the processes whose
// command line names something in `folder`, by process id.
QMap<pid_t, QString> processesNaming(const QString &folder)
{
    QMap<pid_t, QString> found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray cmdline = test::readFile(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (entry.toInt() != getpid() && cmdline.contains(folder.toUtf8()))
            found.insert(entry.toInt(), QFileInfo(QString::fromUtf8(cmdline.split('\0')[0])).fileName());
    }
    return found;
}

} // namespace

class TestHelpViewer : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(QFile::copy(QStringLiteral(BILAN_BUILT_HELP_FILE), m_folder->filePath(HelpMenu::helpFileName())));
    }

    void cleanup()
    {
        for (const pid_t pid : processesNaming(m_folder->path()).keys())
            ::kill(pid, SIGTERM);
        m_folder.reset();
        for (const auto &[name, value] : m_environment)
            value ? qputenv(name, *value) : qunsetenv(name);
        m_environment.clear();
    }

    // The desktop's association (xchm's desktop entry, run through the
    // PATH) shows the help file. A stand-in "xchm" first on the PATH notes
    // what it was asked to show, so the test does not depend on how fast a
    // real viewer starts.
    void associatedViewerShowsTheHelpFile()
    {
        // The desktop does know the type, so the help goes through its association.
        QProcess query;
        query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                                 QMimeDatabase().mimeTypeForFile(QStringLiteral(BILAN_BUILT_HELP_FILE)).name()});
        QVERIFY(query.waitForFinished(10000));
        QCOMPARE(query.readAllStandardOutput().trimmed(), QByteArray("xchm.desktop"));
        expectShownWith(false);
    }

    // A desktop that knows no program for any type: a viewer of that kind
    // on the PATH stands in.
    void knownViewerStandsInWithoutAnAssociation() { expectShownWith(true); }

private:
    void expectShownWith(bool noAssociations)
    {
        QTemporaryDir empty, bin;
        const QString noted = m_folder->filePath(QStringLiteral("shown.txt")), fake = bin.filePath("xchm");
        QVERIFY(test::writeFile(fake, "#!/bin/sh\nprintf '%s' \"$1\" > '" + noted.toUtf8() + "'\n"));
        QVERIFY(QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QList<const char *> changed{"PATH"};
        if (noAssociations)
            changed << "XDG_DATA_HOME" << "XDG_DATA_DIRS" << "XDG_CONFIG_HOME" << "XDG_CONFIG_DIRS";
        const QByteArray path = qgetenv("PATH");
        for (const char *name : changed) {
            m_environment.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
            qputenv(name, empty.path().toUtf8());
        }
        qputenv("PATH", bin.path().toUtf8() + ':' + path);

        qtServices().desktop->shellOpen(HelpMenu::helpFileName(), m_folder->path());
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(test::readFile(noted)), m_folder->filePath(HelpMenu::helpFileName()), 15000);
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    QList<QPair<const char *, std::optional<QByteArray>>> m_environment; // as it was before the test
};

QTEST_MAIN(TestHelpViewer)
#include "tst_helpviewer.moc"
