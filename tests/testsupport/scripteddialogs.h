#pragma once
// A dialog backend for tests: answers come from a queue, every request is
// logged. An unexpected request (empty queue or wrong kind) is logged as such
// and cancelled, so a test never blocks on a modal dialog.
#include "platform/dialogs.h"

#include <QList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace ptt {

class ScriptedDialogs : public DialogBackend {
public:
    enum class Kind { File, Color, Font, Message, Input, Progress };
    struct Answer {
        Kind kind;
        bool cancel = false;
        QString text; // file name or input text
        QColor color;
        FontDesc font;
        MsgResult result = MsgResult::Ok;
        std::function<void()> before; // runs when the request arrives
        int stopAt = 101;             // a progress dialog's cancel is pressed at this percentage
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
    // The next progress dialog is cancelled once the job reaches percent. Without it a progress
    // dialog runs to the end and is counted, not logged, since any save may show one.
    void cancelProgressAt(int percent)
    {
        Answer a{};
        a.kind = Kind::Progress;
        a.cancel = true;
        a.stopAt = percent;
        m_queue.append(a);
    }
    // Every progress dialog asked for, and the percentages each was told.
    int progressDialogs() const { return int(m_progressTold.size()); }
    const std::deque<QList<int>> &progressTold() const { return m_progressTold; }

    const QList<Logged> &log() const { return m_log; }
    int pending() const { return int(m_queue.size()); }
    int unexpectedCount() const;
    void clear()
    {
        m_queue.clear();
        m_log.clear();
        m_progressTold.clear();
    }

    std::optional<QString> fileDialog(QWidget *, const FileDialogRequest &request) override;
    std::optional<QColor> colorDialog(QWidget *, const QColor &initial) override;
    std::optional<FontDesc> fontDialog(QWidget *, const FontDesc &initial) override;
    MsgResult messageBox(QWidget *, const MessageRequest &request) override;
    std::optional<QString> inputBox(QWidget *, const InputRequest &request) override;
    std::unique_ptr<ProgressSession> progressDialog(QWidget *, const ProgressRequest &request) override;

private:
    std::deque<QList<int>> m_progressTold; // a deque: sessions hold references into it
    std::optional<Answer> take(Kind kind, Logged entry);
    QList<Answer> m_queue;
    QList<Logged> m_log;
};

} // namespace ptt
