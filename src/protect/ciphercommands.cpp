#include "ciphercommands.h"

#include "documentcipher.h"
#include "protectfiles.h"
#include "shell/form1.h"

#include <QTextEdit>

namespace bilan {

CipherCommands::CipherCommands(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("CipherCommands"));
}

void CipherCommands::onCodeChildItem(int index)
{
    switch (index) {
    case Encrypt: run(protect::Direction::Encrypt); break;
    case Decrypt: run(protect::Direction::Decrypt); break;
    default: break;
    }
}

void CipherCommands::run(protect::Direction direction)
{
    const bool encrypt = direction == protect::Direction::Encrypt;
    Prompts &prompts = *m_window.services().prompts;

    // Read on every use, before anything else, so that the file's state
    // at this moment decides and a broken file changes nothing.
    const protect::ExemptCharacters exempt =
        protect::readExemptFile(protect::exemptFilePath(m_window.services().places->applicationFolder()));
    if (!exempt.ok()) {
        prompts.message(&m_window, exempt.error, MessageButtons::Ok, MessageIcon::Warning);
        return;
    }

    WindowFlags &flags = m_window.flags();
    if (!(encrypt ? flags.mayEncrypt : flags.mayDecrypt)) {
        prompts.message(&m_window,
                        encrypt ? QStringLiteral("加密操作已经结束") : QStringLiteral("解密操作已经结束"),
                        MessageButtons::Ok, MessageIcon::None);
        return;
    }

    const protect::ShiftCipher cipher(exempt.characters);
    protect::shiftDocument(*m_window.ui().RichTextBox1->document(), cipher, direction);
    flags.mayEncrypt = !encrypt;
    flags.mayDecrypt = encrypt;
}

} // namespace bilan
