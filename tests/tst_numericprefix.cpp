// The number a text starts with, as the reminder reads its minutes.

#include "text/numericprefix.h"

#include <QTest>

#include <limits>

using namespace bilan;

class TestNumericPrefix : public QObject
{
    Q_OBJECT

private slots:
    void reads_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        const double inf = std::numeric_limits<double>::infinity();

        QTest::newRow("unit after") << "10分钟" << 10.0;
        QTest::newRow("blank inside") << "1 0" << 10.0;
        QTest::newRow("tab, line feed, blanks anywhere") << " \t1\n0 " << 10.0;
        QTest::newRow("blank after sign") << "- 3" << -3.0;
        QTest::newRow("carriage return is not ignored") << "\r5" << 0.0;
        QTest::newRow("full-width digit stops") << "5５" << 5.0;
        QTest::newRow("fraction") << "2.5" << 2.5;
        QTest::newRow("trailing full stop") << "5." << 5.0;
        QTest::newRow("leading full stop") << ".5" << 0.5;
        QTest::newRow("second full stop ends") << "1.2.3" << 1.2;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("two signs") << "--3" << 0.0;
        QTest::newRow("exponent E") << "5E0" << 5.0;
        QTest::newRow("exponent d with plus") << "5d+0" << 5.0;
        QTest::newRow("negative exponent") << "50E-1" << 5.0;
        QTest::newRow("exponent sign without digits") << "5E+x" << 5.0;
        QTest::newRow("exponent blanks") << "5 E 1" << 50.0;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("hex lower case") << "&h1f" << 31.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal with blanks") << "& o 1 7" << 15.0;
        QTest::newRow("octal stops at 8") << "&O78" << 7.0;
        QTest::newRow("hex without digits") << "&H" << 0.0;
        QTest::newRow("ampersand, other letter") << "&X1" << 0.0;
        QTest::newRow("sign before hex") << "-&H10" << 0.0;
        QTest::newRow("overflow by exponent") << "1E400" << inf;
        QTest::newRow("overflow by digits") << QString(400, u'9') << inf;
        QTest::newRow("underflow") << "1E-400" << 0.0;
        QTest::newRow("underflow by digits") << "0." + QString(400, u'0') + "1" << 0.0;
        QTest::newRow("large but in range") << "1" + QString(300, u'0') << 1e300;
    }

    void reads()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        const double read = numericPrefix(text);
        // Exactly: the reminder compares the number with its count exactly.
        QVERIFY2(read == number, qPrintable(QStringLiteral("read %1").arg(read, 0, 'g', 17)));
    }
};

QTEST_APPLESS_MAIN(TestNumericPrefix)
#include "tst_numericprefix.moc"
