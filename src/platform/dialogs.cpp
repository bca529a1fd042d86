#include "dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

namespace ptt {

namespace {

class QtProgress : public ProgressSession {
public:
    QtProgress(QWidget *parent, const ProgressRequest &request)
        : m_dialog(request.label, QStringLiteral("取消"), 0, 100, parent)
    {
        m_dialog.setWindowTitle(request.title);
        // Modal to its window, so setValue lets the dialog's cancel button be pressed while the job runs.
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setValue(0);
    }
    bool setPercent(int percent) override
    {
        m_dialog.setValue(qBound(0, percent, 100));
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

class QtDialogs : public DialogBackend {
public:
    std::optional<QString> fileDialog(QWidget *parent, const FileDialogRequest &request) override
    {
        QFileDialog dialog(parent, request.title);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        // The dialog must not append an extension to a typed name.
        dialog.setDefaultSuffix(QString());
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
        dialog.setOption(QFileDialog::HideNameFilterDetails, true);
        const QStringList filters = qtNameFilters(request.filter);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            const int index = qBound(1, request.filterIndex, int(filters.size())) - 1;
            dialog.selectNameFilter(filters.at(index));
        }
        QString dir = request.initDir;
        QString name = request.fileName;
        if (!name.isEmpty() && QFileInfo(name).isAbsolute()) {
            dir = QFileInfo(name).absolutePath();
            name = QFileInfo(name).fileName();
        }
        if (!dir.isEmpty())
            dialog.setDirectory(dir);
        if (!name.isEmpty())
            dialog.selectFile(name);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }

    std::optional<QColor> colorDialog(QWidget *parent, const QColor &initial) override
    {
        const QColor c = QColorDialog::getColor(initial, parent);
        if (!c.isValid())
            return std::nullopt;
        return c;
    }

    std::optional<FontDesc> fontDialog(QWidget *parent, const FontDesc &initial) override
    {
        bool ok = false;
        const QFont font =
            QFontDialog::getFont(&ok, initial.toQFont(), parent, QString(), QFontDialog::FontDialogOptions());
        if (!ok)
            return std::nullopt;
        FontDesc d = FontDesc::fromQFont(font, initial.charset);
        return d;
    }

    MsgResult messageBox(QWidget *parent, const MessageRequest &request) override
    {
        QMessageBox box(parent);
        box.setWindowTitle(request.title);
        box.setText(request.text);
        switch (request.icon) {
        case MsgIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MsgIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        }
        QPushButton *yes = nullptr, *no = nullptr, *cancel = nullptr, *ok = nullptr;
        switch (request.buttons) {
        case MsgButtons::Ok:
            ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
            box.setDefaultButton(ok);
            box.setEscapeButton(ok);
            break;
        case MsgButtons::YesNo:
            yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
            no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
            box.setDefaultButton(yes);
            box.setEscapeButton(no);
            break;
        case MsgButtons::YesNoCancel:
            yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
            no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
            cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
            box.setDefaultButton(yes);
            box.setEscapeButton(cancel);
            break;
        }
        box.exec();
        QAbstractButton *clicked = box.clickedButton();
        if (clicked && clicked == yes)
            return MsgResult::Yes;
        if (clicked && clicked == no)
            return MsgResult::No;
        if (request.buttons == MsgButtons::Ok)
            return MsgResult::Ok;
        return request.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
    }

    std::unique_ptr<ProgressSession> progressDialog(QWidget *parent, const ProgressRequest &request) override
    {
        return std::make_unique<QtProgress>(parent, request);
    }

    std::optional<QString> inputBox(QWidget *parent, const InputRequest &request) override
    {
        bool ok = false;
        const QString text =
            QInputDialog::getText(parent, request.title, request.prompt, QLineEdit::Normal, request.defaultText, &ok);
        if (!ok)
            return std::nullopt;
        return text;
    }
};

DialogBackend *&current()
{
    static DialogBackend *backend = nullptr;
    return backend;
}

} // namespace

DialogBackend *DialogBackend::instance()
{
    static QtDialogs real;
    return current() ? current() : &real;
}

void DialogBackend::setInstance(DialogBackend *backend)
{
    current() = backend;
}

namespace {

// Windows matches patterns without regard to case and "*.*" matches every
// name; Linux file dialogs do neither, so spell the patterns out.
QString caseInsensitivePattern(const QString &pattern)
{
    if (pattern == QStringLiteral("*.*"))
        return QStringLiteral("*");
    QString out;
    for (const QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toUpper() + c.toLower() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

} // namespace

QStringList qtNameFilters(const QString &filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns << caseInsensitivePattern(p.trimmed());
        // The dialog hides the parenthesised patterns and shows the
        // description as the window's filter gives it.
        result.append(parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return result;
}

MsgResult messageBox(QWidget *parent, const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon)
{
    return DialogBackend::instance()->messageBox(parent, MessageRequest{text, title, buttons, icon});
}

std::optional<QString> inputBox(QWidget *parent, const QString &prompt, const QString &title,
                                const QString &defaultText)
{
    return DialogBackend::instance()->inputBox(parent, InputRequest{prompt, title, defaultText});
}

bool CommonDialog::showFile(bool save)
{
    FileDialogRequest request;
    request.save = save;
    request.title = dialogTitle.isEmpty() ? (save ? QStringLiteral("另存为") : QStringLiteral("打开")) : dialogTitle;
    request.filter = filter;
    request.filterIndex = filterIndex;
    request.initDir = initDir;
    request.fileName = fileName;
    request.overwritePrompt = overwritePrompt;
    const std::optional<QString> chosen = DialogBackend::instance()->fileDialog(m_owner, request);
    if (!chosen)
        return false;
    fileName = *chosen;
    return true;
}

bool CommonDialog::showOpen()
{
    return showFile(false);
}

bool CommonDialog::showSave()
{
    return showFile(true);
}

std::unique_ptr<ProgressSession> CommonDialog::showProgress(const QString &label)
{
    const QString title = dialogTitle.isEmpty() ? QStringLiteral("保存") : dialogTitle;
    return DialogBackend::instance()->progressDialog(m_owner, ProgressRequest{title, label});
}

bool CommonDialog::showColor()
{
    const std::optional<QColor> c = DialogBackend::instance()->colorDialog(m_owner, color);
    if (!c)
        return false;
    color = *c;
    return true;
}

bool CommonDialog::showFont()
{
    const std::optional<FontDesc> f = DialogBackend::instance()->fontDialog(m_owner, font);
    if (!f)
        return false;
    font = *f;
    return true;
}

} // namespace ptt
