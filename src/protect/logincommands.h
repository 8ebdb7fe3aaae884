#pragma once

#include <QObject>
#include <QString>

namespace bilan {

class Form1;

// The 文稿加密 menu's own items: the login, which on first use sets the
// password instead, and the change of password. A successful login opens
// the encrypt and decrypt commands and the change of password for the rest
// of the program's life.
class LoginCommands final : public QObject
{
    Q_OBJECT
public:
    enum CodeItem { Login = 0, Entrance = 1, ChangePassword = 2 };

    explicit LoginCommands(Form1 &window);

    void onCodeItem(int index);

    void login();
    void changePassword();

private:
    void firstUse(const QString &path);
    QString ask(const QString &prompt);
    void tell(const QString &text);
    void report(const QString &error);

    Form1 &m_window;
};

} // namespace bilan
