#pragma once
// The dialog layer: every file, colour and font dialog, message box and
// text-entry box of the program goes through DialogBackend. The real backend
// shows Qt dialogs; tests install ScriptedDialogs and answer from a script.
#include "formats/fontdesc.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
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

class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    // Each returns nothing when the user cancels.
    virtual std::optional<QString> fileDialog(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual std::optional<QColor> colorDialog(QWidget *parent, const QColor &initial) = 0;
    virtual std::optional<FontDesc> fontDialog(QWidget *parent, const FontDesc &initial) = 0;
    virtual MsgResult messageBox(QWidget *parent, const MessageRequest &request) = 0;
    virtual std::optional<QString> inputBox(QWidget *parent, const InputRequest &request) = 0;

    static DialogBackend *instance();
    // Installs a backend (not owned); nullptr restores the real one.
    static void setInstance(DialogBackend *backend);
};

// Converts "desc|pattern|desc|pattern" to Qt's "desc (pattern);;..." form.
QStringList qtNameFilters(const QString &filter);

// Shown through DialogBackend::instance().
MsgResult messageBox(QWidget *parent, const QString &text, const QString &title,
                     MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None);
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

private:
    bool showFile(bool save);
    QWidget *m_owner;
};

// A backend for tests: answers come from a queue, every request is logged.
// An unexpected request (empty queue or wrong kind) is logged as such and
// cancelled, so a test never blocks on a modal dialog.
class ScriptedDialogs : public DialogBackend {
public:
    enum class Kind { File, Color, Font, Message, Input };
    struct Answer {
        Kind kind;
        bool cancel = false;
        QString text;       // file name or input text
        QColor color;
        FontDesc font;
        MsgResult result = MsgResult::Ok;
        std::function<void()> before; // runs when the request arrives
    };
    struct Logged {
        Kind kind;
        FileDialogRequest file;
        MessageRequest message;
        InputRequest input;
        bool unexpected = false;
    };

    ScriptedDialogs() { DialogBackend::setInstance(this); }
    ~ScriptedDialogs() override { DialogBackend::setInstance(nullptr); }

    void answerFile(const QString &path) { m_queue.append({Kind::File, false, path, {}, {}, {}, {}}); }
    void cancelFile() { m_queue.append({Kind::File, true, {}, {}, {}, {}, {}}); }
    void answerColor(const QColor &c) { m_queue.append({Kind::Color, false, {}, c, {}, {}, {}}); }
    void cancelColor() { m_queue.append({Kind::Color, true, {}, {}, {}, {}, {}}); }
    void answerFont(const FontDesc &f) { m_queue.append({Kind::Font, false, {}, {}, f, {}, {}}); }
    void cancelFont() { m_queue.append({Kind::Font, true, {}, {}, {}, {}, {}}); }
    void answerMessage(MsgResult r) { m_queue.append({Kind::Message, false, {}, {}, {}, r, {}}); }
    void answerInput(const QString &t) { m_queue.append({Kind::Input, false, t, {}, {}, {}, {}}); }
    void cancelInput() { m_queue.append({Kind::Input, true, {}, {}, {}, {}, {}}); }

    const QList<Logged> &log() const { return m_log; }
    int pending() const { return int(m_queue.size()); }
    int unexpectedCount() const;
    void clear()
    {
        m_queue.clear();
        m_log.clear();
    }

    std::optional<QString> fileDialog(QWidget *, const FileDialogRequest &request) override;
    std::optional<QColor> colorDialog(QWidget *, const QColor &initial) override;
    std::optional<FontDesc> fontDialog(QWidget *, const FontDesc &initial) override;
    MsgResult messageBox(QWidget *, const MessageRequest &request) override;
    std::optional<QString> inputBox(QWidget *, const InputRequest &request) override;

private:
    std::optional<Answer> take(Kind kind, Logged entry);
    QList<Answer> m_queue;
    QList<Logged> m_log;
};

} // namespace ptt
