#include "notice.h"

namespace ptt {

void showNotice(QWidget *parent, const QString &text, MsgIcon icon)
{
    messageBox(parent, text, kNoticeTitle, MsgButtons::Ok, icon);
}

} // namespace ptt
