#include "helpmenu.h"

#include "aids/vocabulary.h"
#include "shell/form1.h"

namespace bilan {

HelpMenu::HelpMenu(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("HelpMenu"));
}

QString HelpMenu::helpFileName()
{
    return QStringLiteral("笔澜2.5.chm");
}

QString HelpMenu::aboutText()
{
    return applicationTitle() + QStringLiteral("  电子爱好者的写稿助手  2003.9");
}

void HelpMenu::onHelpItem(int index)
{
    const Services &services = m_window.services();
    if (index == Help) {
        // A bare name, looked for in the working directory the shell is
        // given: the folder of the program's own files.
        services.desktop->shellOpen(helpFileName(), services.places->applicationFolder());
    } else if (index == Mail) {
        services.desktop->shellOpen(QStringLiteral("mailto:") + vocabulary::makerMailAddress(),
                                    services.places->applicationFolder());
    } else if (index == About) {
        services.prompts->message(&m_window, aboutText(), MessageButtons::Ok, MessageIcon::None, applicationTitle());
    }
}

} // namespace bilan
