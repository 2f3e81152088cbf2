#include "frame/DialFirst.h"

#include "dialup/RasApi.h"
#include "launcher/ItemLaunch.h"

void InstallDialFirstHooks(CRasApi* pRas)
{
    if (!pRas) {
        SetDialFirstHooks({});
        return;
    }
    DialFirstHooks hooks;
    hooks.isConnected = [pRas] { return pRas->IsConnected(); };
    hooks.defaultEntry = [pRas] { return pRas->GetDefaultEntry(); };
    hooks.connect = [pRas](const QString& entry, QWidget* pOwner) { return pRas->Connect(entry, true, pOwner, true); };
    SetDialFirstHooks(std::move(hooks));
}
