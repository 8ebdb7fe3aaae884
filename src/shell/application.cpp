#include "application.h"

#include "fonts.h"
#include "platform/pasteguard.h"
#include "text/codepage.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace bilan {

bool prepareApplication(QApplication &app)
{
    QCoreApplication::setApplicationName(QStringLiteral("bilan"));
    // No organisation name: the user's own files go straight into
    // ~/.config/bilan rather than a folder nested in one of the same name.

    if (!codepage::isSupported(codepage::Gbk) || !codepage::isSupported(codepage::Gb18030)) {
        std::fputs("笔澜2.5: this Qt has no GBK/GB18030 converter (Qt must be built with ICU).\n", stderr);
        return false;
    }

    // The program speaks Chinese whatever the locale says, Qt's own texts included.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *name : {"qtbase_zh_CN"}) {
        auto *translator = new QTranslator(&app);
        if (translator->load(QLatin1String(name), folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }

    installFontSubstitutes();
    installPasteGuard(app);
    return true;
}

} // namespace bilan
