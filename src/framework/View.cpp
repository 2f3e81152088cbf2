#include "View.h"

#include "Document.h"

namespace fw {

bool CView::OnCmdMsg(unsigned id, CCmdUI* pUpdate, bool probe)
{
    if (OnOwnCmdMsg(id, pUpdate, probe))
        return true;
    return m_pDocument && m_pDocument->OnCmdMsg(id, pUpdate, probe);
}

} // namespace fw
