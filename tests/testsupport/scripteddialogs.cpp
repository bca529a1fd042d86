#include "scripteddialogs.h"

namespace ptt {

int ScriptedDialogs::unexpectedCount() const
{
    int n = 0;
    for (const Logged &l : m_log)
        n += l.unexpected ? 1 : 0;
    return n;
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::take(Kind kind, Logged entry)
{
    entry.kind = kind;
    if (m_queue.isEmpty() || m_queue.constFirst().kind != kind) {
        entry.unexpected = true;
        m_log.append(entry);
        return std::nullopt;
    }
    m_log.append(entry);
    Answer answer = m_queue.takeFirst();
    if (answer.before)
        answer.before();
    return answer;
}

std::optional<QString> ScriptedDialogs::fileDialog(QWidget *, const FileDialogRequest &request)
{
    Logged entry;
    entry.file = request;
    const std::optional<Answer> a = take(Kind::File, entry);
    if (!a || a->cancel)
        return std::nullopt;
    return a->text;
}

std::optional<QColor> ScriptedDialogs::colorDialog(QWidget *, const QColor &)
{
    const std::optional<Answer> a = take(Kind::Color, Logged{});
    if (!a || a->cancel)
        return std::nullopt;
    return a->color;
}

std::optional<FontDesc> ScriptedDialogs::fontDialog(QWidget *, const FontDesc &)
{
    const std::optional<Answer> a = take(Kind::Font, Logged{});
    if (!a || a->cancel)
        return std::nullopt;
    return a->font;
}

MsgResult ScriptedDialogs::messageBox(QWidget *, const MessageRequest &request)
{
    Logged entry;
    entry.message = request;
    const std::optional<Answer> a = take(Kind::Message, entry);
    if (!a)
        return request.buttons == MsgButtons::Ok      ? MsgResult::Ok
               : request.buttons == MsgButtons::YesNo ? MsgResult::No
                                                      : MsgResult::Cancel;
    return a->result;
}

std::optional<QString> ScriptedDialogs::inputBox(QWidget *, const InputRequest &request)
{
    Logged entry;
    entry.input = request;
    const std::optional<Answer> a = take(Kind::Input, entry);
    if (!a || a->cancel)
        return std::nullopt;
    return a->text;
}

namespace {
class ScriptedProgress : public ProgressSession {
public:
    ScriptedProgress(QList<int> &told, int stopAt) : m_told(told), m_stopAt(stopAt) {}
    bool setPercent(int percent) override
    {
        m_told.append(percent);
        return percent < m_stopAt;
    }

private:
    QList<int> &m_told;
    int m_stopAt;
};
} // namespace

std::unique_ptr<ProgressSession> ScriptedDialogs::progressDialog(QWidget *, const ProgressRequest &)
{
    int stopAt = 101;
    if (!m_queue.isEmpty() && m_queue.constFirst().kind == Kind::Progress) {
        Logged entry;
        entry.kind = Kind::Progress;
        m_log.append(entry);
        const Answer answer = m_queue.takeFirst();
        if (answer.before)
            answer.before();
        stopAt = answer.stopAt;
    }
    m_progressTold.emplace_back();
    // The list lives as long as this backend; a test ends its saves before that.
    return std::make_unique<ScriptedProgress>(m_progressTold.back(), stopAt);
}

} // namespace ptt
