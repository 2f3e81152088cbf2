#pragma once
// The provider sheet: what the program adds to a phonebook entry. The
// "Provider" page edits the stored user name and password and the default
// provider, and leads to the entry editor; the "Dialing" page edits the
// alternative numbers, chain dialing, tries and delay, and the entry's own
// number.

#include "dialup/PhoneNumberList.h"
#include "framework/PropertySheet.h"

class CRasApi;
class CProviderPropertySheet;

class CProviderPropertyPage1 : public fw::CPropertyPage
{
    Q_OBJECT
public:
    CProviderPropertyPage1();

    bool OnApply() override;
    void OnProperties();
    void OnScripter();
    void OnDelete();

    QString m_strName;
    QString m_strUserName;
    QString m_strPassword;
    bool m_bSavePassword = false;
    QString m_strScript; // the entry's login script, when it has one

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool save) override;

private:
    CProviderPropertySheet* Sheet() const;
};

class CProviderPropertyPage3 : public fw::CPropertyPage
{
    Q_OBJECT
public:
    CProviderPropertyPage3();

    bool OnApply() override;
    void OnAdd();
    void OnDelete();
    void OnSetDefault();

    int m_bChainDial = 0;
    QString m_strNewNumber;
    QString m_strDefaultNumber;
    int m_nTries = 10;
    int m_nDelay = 5;
    CPhoneNumberList m_numbers;

protected:
    bool OnInitDialog() override;
    bool UpdateData(bool save = true) override;

private:
    CProviderPropertySheet* Sheet() const;
};

class CProviderPropertySheet : public fw::CPropertySheet
{
    Q_OBJECT
public:
    // No owner: the sheet is a window of its own.
    explicit CProviderPropertySheet(CRasApi* pRas, QWidget* pParent = nullptr);

    QString m_strEntry;
    CRasApi* m_pRas;
    CProviderPropertyPage1 m_page1;
    CProviderPropertyPage3 m_page3;
};
