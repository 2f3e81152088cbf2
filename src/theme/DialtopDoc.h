#pragma once
// The theme document: exactly one theme is open at a time.

#include "ThemeData.h"

#include "framework/Document.h"

class CDialtopDoc : public fw::CDocument
{
public:
    CDialtopDoc() = default;
    ~CDialtopDoc() override;

    CThemeData m_theme;

    bool OnCmdMsg(unsigned id, fw::CCmdUI* pUpdate, bool probe = false) override;

    void SetTitle(const QString& title) override;
    void DeleteContents() override;
    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;
    bool SaveModified() override;
    bool DoSave(const QString& path, bool replace = true) override;

    void OnFileSave();
    void OnFileSaveAs();
};

// Loads a theme the user will see; a file of another version is reported
// with a message box (the other failures are the caller's to word).
bool LoadThemeFile(CThemeData& theme, const QString& path);
