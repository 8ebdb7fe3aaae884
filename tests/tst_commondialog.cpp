// The shared dialog's filter strings, and how they reach Qt's file dialog.

#include "platform/filefilter.h"
#include "platform/qtdialogs.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>

using namespace bilan;

class TestCommonDialog : public QObject
{
    Q_OBJECT

private slots:
    void parsesFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("entries"); // description, pattern, …
        QTest::newRow("trailing bar adds nothing") << "rtf文件(*.rtf)|*.rtf|" << QStringList{"rtf文件(*.rtf)", "*.rtf"};
        QTest::newRow("no trailing bar") << "txt文件(*.txt)|*.txt" << QStringList{"txt文件(*.txt)", "*.txt"};
        QTest::newRow("open") << "所有文件(*.*)|*.*|text文件(*.txt)|*.txt|rtf文件(*.rtf)|*.rtf|"
                              << QStringList{"所有文件(*.*)", "*.*", "text文件(*.txt)", "*.txt", "rtf文件(*.rtf)", "*.rtf"};
        QTest::newRow("pictures") << "*.bmp文件|*.bmp|*.gif文件|*gif|*.jpg文件|*.jpg|所有文件|*.*|"
                                  << QStringList{"*.bmp文件", "*.bmp", "*.gif文件", "*gif", "*.jpg文件", "*.jpg", "所有文件", "*.*"};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("description without pattern") << "rtf|*.rtf|dangling" << QStringList{"rtf", "*.rtf"};
    }

    void parsesFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, entries);
        QStringList parsed;
        for (const FileFilter &entry : parseFileFilter(filter))
            parsed << entry.description << entry.pattern;
        QCOMPARE(parsed, entries);
    }

    void qtDialogFiltersByThePatternsAsWritten_data()
    {
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("listed");
        const QStringList everything{"a.bmp", "b.gif", "cgif", "d.jpg", "gif.txt", "noext"};
        QTest::newRow("bmp") << 1 << "*.bmp文件" << QStringList{"a.bmp"};
        QTest::newRow("gif without a dot") << 2 << "*.gif文件" << QStringList{"b.gif", "cgif"};
        QTest::newRow("all files, dot or none") << 4 << "所有文件" << everything;
    }

    void qtDialogFiltersByThePatternsAsWritten()
    {
        QFETCH(int, filterIndex);
        QFETCH(QString, shown);
        QFETCH(QStringList, listed);
        QTemporaryDir dir;
        for (const char *name : {"a.bmp", "b.gif", "cgif", "d.jpg", "gif.txt", "noext"}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        FileDialogRequest request;
        request.title = QStringLiteral("看图");
        request.filters = parseFileFilter(QStringLiteral("*.bmp文件|*.bmp|*.gif文件|*gif|*.jpg文件|*.jpg|所有文件|*.*|"));
        request.filterIndex = filterIndex;

        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setDirectory(dir.path());
        configureFileDialog(dialog, request, QFileDialog::AcceptOpen);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("看图"));
        QCOMPARE(dialog.nameFilters().size(), 4);
        QVERIFY(dialog.testOption(QFileDialog::HideNameFilterDetails));

        // Qt shows the description alone and filters by what it parsed out of
        // the name filter: both must be ours, unchanged.
        QCOMPARE(dialog.selectedNameFilter(), shown);
        QCOMPARE(selectedFilterIndex(dialog, request), filterIndex);
        auto *model = dialog.findChild<QFileSystemModel *>();
        QVERIFY(model);
        QCOMPARE(QDir(dir.path()).entryList(model->nameFilters(), QDir::Files, QDir::Name), listed);
    }
};

QTEST_MAIN(TestCommonDialog)
#include "tst_commondialog.moc"
