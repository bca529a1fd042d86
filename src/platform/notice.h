#pragma once
// The program's own notices (a refusal, a warning, a limit reached): one
// title for all, an OK button, through the dialog layer.
#include "dialogs.h"

#include <QString>

class QWidget;

namespace ptt {

inline const QString kNoticeTitle = QStringLiteral("澄岭提示");

void showNotice(QWidget *parent, const QString &text, MsgIcon icon);

} // namespace ptt
