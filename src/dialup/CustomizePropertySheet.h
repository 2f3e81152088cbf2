#pragma once
// The Customize sheet: which totals the timer bar shows, starting with the
// desktop session, and how a connection behaves. Each page reads its values
// when first shown and writes them on OK; pages never shown keep what is
// stored.

#include "framework/PropertySheet.h"

// "Time Display".
class CCustomizePropertyPage4 : public fw::CPropertyPage
{
    Q_OBJECT
public:
    CCustomizePropertyPage4();
    bool OnApply() override;

    bool m_bSession = true;
    bool m_bToday = true;
    bool m_bWeek = true;
    bool m_bMonth = true;
    bool m_bYear = true;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool save) override;
};

// "General".
class CCustomizePropertyPage1 : public fw::CPropertyPage
{
    Q_OBJECT
public:
    CCustomizePropertyPage1();
    bool OnApply() override;

    bool m_bRunOnStartup = false;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool save) override;
};

// "Connection". Alarm, ShowDialog and AlarmTime have no visible control; the
// page keeps them as stored.
class CCustomizePropertyPage3 : public fw::CPropertyPage
{
    Q_OBJECT
public:
    CCustomizePropertyPage3();
    bool OnApply() override;

    static constexpr int kMaxAlarmTime = 1000;
    bool m_bAlarm = false;
    bool m_bPlaySound = true;
    bool m_bRedialOnDrop = true;
    bool m_bShowDialog = true;
    int m_nAlarmTime = 0;

protected:
    bool OnInitDialog() override;
    bool UpdateData(bool save = true) override;
};

class CCustomizePropertySheet : public fw::CPropertySheet
{
    Q_OBJECT
public:
    // No owner: the sheet is a window of its own.
    CCustomizePropertySheet();

    // The favourites page goes in as the second tab.
    static constexpr int kFavoritesPageIndex = 1;
    void InsertFavoritesPage(fw::CPropertyPage* pPage) { InsertPage(kFavoritesPageIndex, pPage); }

    CCustomizePropertyPage4 m_page4;
    CCustomizePropertyPage1 m_page1;
    CCustomizePropertyPage3 m_page3;
};
