#include "CmdTarget.h"

#include <QAction>

namespace fw {

void CCmdUI::Enable(bool on)
{
    m_bEnabled = on;
    m_bEnableChanged = true;
    if (m_pAction)
        m_pAction->setEnabled(on);
}

void CCmdUI::SetCheck(int check)
{
    m_nCheck = check;
    if (m_pAction) {
        m_pAction->setCheckable(true);
        m_pAction->setChecked(check != 0);
    }
}

void CCmdUI::SetText(const QString& text)
{
    if (m_pAction)
        m_pAction->setText(text);
}

} // namespace fw
