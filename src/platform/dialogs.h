#pragma once
// The dialog layer: every file, colour and font dialog, message box and
// text-entry box of the program goes through DialogBackend. The real backend
// shows Qt dialogs; tests install one that answers from a script.
#include "formats/fontdesc.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QWidget;

namespace ptt {

enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgIcon { None, Question, Information, Warning, Critical };
enum class MsgResult { Ok, Yes, No, Cancel };

struct FileDialogRequest {
    bool save = false;
    QString title;
    QString filter; // "description|pattern|description|pattern..."
    int filterIndex = 1;
    QString initDir;
    QString fileName;
    bool overwritePrompt = false; // the dialog itself asks before replacing
};

struct MessageRequest {
    QString text;
    QString title;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
};

struct InputRequest {
    QString prompt;
    QString title;
    QString defaultText;
};

struct ProgressRequest {
    QString title;
    QString label;
};

// The progress of a long job the user may stop; the dialog closes when the session ends.
class ProgressSession {
public:
    virtual ~ProgressSession() = default;
    // percent from 0 to 100; false once the user asked to stop.
    virtual bool setPercent(int percent) = 0;
};

class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    // Each returns nothing when the user cancels.
    virtual std::optional<QString> fileDialog(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual std::optional<QColor> colorDialog(QWidget *parent, const QColor &initial) = 0;
    virtual std::optional<FontDesc> fontDialog(QWidget *parent, const FontDesc &initial) = 0;
    virtual MsgResult messageBox(QWidget *parent, const MessageRequest &request) = 0;
    virtual std::optional<QString> inputBox(QWidget *parent, const InputRequest &request) = 0;
    // Shown only when the job lasts longer than about half a second, with a cancel button.
    virtual std::unique_ptr<ProgressSession> progressDialog(QWidget *parent, const ProgressRequest &request) = 0;

    static DialogBackend *instance();
    // Installs a backend (not owned); nullptr restores the real one.
    static void setInstance(DialogBackend *backend);
};

// Converts "desc|pattern|desc|pattern" to Qt's "desc (pattern);;..." form.
QStringList qtNameFilters(const QString &filter);

// Shown through DialogBackend::instance().
MsgResult messageBox(QWidget *parent, const QString &text, const QString &title, MsgButtons buttons = MsgButtons::Ok,
                     MsgIcon icon = MsgIcon::None);
std::optional<QString> inputBox(QWidget *parent, const QString &prompt, const QString &title,
                                const QString &defaultText = QString());

// The per-window dialog object. Its settings persist between uses; the file
// name chosen last is offered by the next file dialog.
class CommonDialog {
public:
    explicit CommonDialog(QWidget *owner = nullptr) : m_owner(owner) {}

    QString fileName;
    QString filter;
    int filterIndex = 1;
    QString initDir;
    QString dialogTitle;
    bool cancelError = false; // the caller treats a cancel as a failure
    bool overwritePrompt = false;
    QColor color = Qt::black;
    FontDesc font;

    // Return false when the user cancels; fileName/color/font keep their
    // previous values then.
    bool showOpen();
    bool showSave();
    bool showColor();
    bool showFont();
    // A progress dialog under the dialog title, for a job that may take long.
    std::unique_ptr<ProgressSession> showProgress(const QString &label);

private:
    bool showFile(bool save);
    QWidget *m_owner;
};

} // namespace ptt
