#pragma once
// Dialogs built from templates in dialog units, with a data exchange step and
// a seam so tests run them without a modal loop.

#include "res/Dialogs.h"

#include <QDialog>

#include <functional>

namespace fw {

// Pixels of one dialog unit in the dialog font: horizontal units are a quarter
// of the average character width, vertical ones an eighth of the line height.
QRect MapDialogRect(const QRect& dlu, const QFont& font);

class CDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CDialog(unsigned templateId, QWidget* parent = nullptr);

    // Runs the dialog modally; IDOK (1) or IDCANCEL (2).
    int DoModal();
    // Builds the controls and runs OnInitDialog without showing the dialog,
    // for code (and tests) that drive it directly.
    void Create();

    QWidget* GetDlgItem(int id) const;
    template <class W>
    W* Item(int id) const { return qobject_cast<W*>(GetDlgItem(id)); }
    void SetWindowText(const QString& text) { setWindowTitle(text); }

    // Moves members into the controls (false) or controls into members (true).
    virtual bool UpdateData(bool saveAndValidate = true);

    // Test seam: decides what DoModal returns instead of running a modal loop.
    // It gets the created, initialised dialog and may change its controls.
    using ModalHandler = std::function<int(CDialog*)>;
    static ModalHandler SetModalHandler(ModalHandler handler);

    // Ends a dialog started with DoModal (or given to the handler).
    void EndDialog(int result);
    int Result() const { return m_nResult; }

protected:
    virtual bool OnInitDialog();
    virtual void DoDataExchange(bool /*save*/) {}
    virtual void OnOK();
    virtual void OnCancel();
    void reject() override { OnCancel(); }

    const res::DialogTemplate& m_template;

private:
    void BuildControls();
    bool m_bCreated = false;
    int m_nResult = 0;
};

} // namespace fw
