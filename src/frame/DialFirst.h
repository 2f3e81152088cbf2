#pragma once
// Items marked "dial first" have the default provider dialled, modally,
// before they start when no connection is up.

class CRasApi;

// Hands the launcher the dial-up steps of pRas (null removes them).
void InstallDialFirstHooks(CRasApi* pRas);
