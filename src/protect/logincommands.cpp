#include "logincommands.h"

#include "protectfiles.h"
#include "shell/form1.h"

#include <QAction>
#include <QDir>

namespace bilan {

namespace {

const QString kAskPassword = QStringLiteral("请输入登录密码：");
const QString kAskFirstPassword = QStringLiteral("首次使用，请设置登录密码：");
const QString kAskOldPassword = QStringLiteral("请输入旧密码：");
const QString kAskNewPassword = QStringLiteral("请输入新密码：");
const QString kWrongPassword = QStringLiteral("密码错误，请重新输入！");
const QString kWrongOldPassword = QStringLiteral("输入旧密码有误，请重新输入！");
const QString kPasswordSet = QStringLiteral("密码已设置成功，请重新登录！");
const QString kPasswordChanged = QStringLiteral("密码更改成功，请记住新密码！");

} // namespace

LoginCommands::LoginCommands(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("LoginCommands"));
}

void LoginCommands::onCodeItem(int index)
{
    switch (index) {
    case Login: login(); break;
    case ChangePassword: changePassword(); break;
    default: break; // 入口 only opens its submenu
    }
}

void LoginCommands::login()
{
    const QString path = protect::passwordPath(m_window.services().places->userFolder());
    const protect::StoredPassword stored = protect::readPassword(path);
    if (stored.status == protect::StoredPassword::Status::Missing) {
        firstUse(path);
        return;
    }
    if (stored.status == protect::StoredPassword::Status::Failed) {
        report(stored.error);
        return;
    }
    if (ask(kAskPassword) != stored.password) {
        tell(kWrongPassword);
        return;
    }
    const Form1Ui &ui = m_window.ui();
    ui.codechilditemItems[0]->setEnabled(true);
    ui.codechilditemItems[1]->setEnabled(true);
    ui.mnucodeitem[2]->setEnabled(true);
}

// No item opens here: the user logs in with the new password next. An
// empty answer, which is also what Cancel gives, sets nothing: an empty
// password would let one Esc at the login through, so the next login asks
// to set one again.
void LoginCommands::firstUse(const QString &path)
{
    const QString entry = ask(kAskFirstPassword);
    if (entry.isEmpty())
        return;
    if (const QString error = protect::writePassword(path, entry); !error.isEmpty()) {
        report(error + QStringLiteral("登录密码没有设置。"));
        return;
    }
    tell(kPasswordSet);
}

void LoginCommands::changePassword()
{
    const QString path = protect::passwordPath(m_window.services().places->userFolder());
    const protect::StoredPassword stored = protect::readPassword(path);
    if (stored.status != protect::StoredPassword::Status::Ok) {
        // Removed since the login: there is no old password to check.
        report(stored.status == protect::StoredPassword::Status::Missing
                   ? QStringLiteral("无法读取登录密码文件“%1”：文件不存在。")
                         .arg(QDir::toNativeSeparators(path))
                   : stored.error);
        return;
    }
    if (ask(kAskOldPassword) != stored.password) {
        tell(kWrongOldPassword);
        return;
    }
    // Cancel or an empty answer keeps the old password, for the same reason.
    const QString entry = ask(kAskNewPassword);
    if (entry.isEmpty())
        return;
    if (const QString error = protect::writePassword(path, entry); !error.isEmpty()) {
        report(error + QStringLiteral("原来的密码仍然有效。"));
        return;
    }
    tell(kPasswordChanged);
}

QString LoginCommands::ask(const QString &prompt)
{
    return m_window.services().prompts->password(&m_window, prompt);
}

void LoginCommands::tell(const QString &text)
{
    m_window.services().prompts->message(&m_window, text, MessageButtons::Ok, MessageIcon::None);
}

void LoginCommands::report(const QString &error)
{
    m_window.services().prompts->message(&m_window, error, MessageButtons::Ok, MessageIcon::Warning);
}

} // namespace bilan
