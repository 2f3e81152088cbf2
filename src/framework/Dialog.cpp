#include "Dialog.h"

#include "MessageBox.h"
#include "UpDownCtrl.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

namespace fw {

namespace {

CDialog::ModalHandler& modalHandler()
{
    static CDialog::ModalHandler h;
    return h;
}

} // namespace

QRect MapDialogRect(const QRect& dlu, const QFont& font)
{
    const QFontMetrics fm(font);
    static const QString sample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double baseX = fm.horizontalAdvance(sample) / 52.0;
    const double baseY = fm.height();
    auto x = [&](int v) { return int(v * baseX / 4.0 + 0.5); };
    auto y = [&](int v) { return int(v * baseY / 8.0 + 0.5); };
    return QRect(x(dlu.x()), y(dlu.y()), x(dlu.width()), y(dlu.height()));
}

CDialog::CDialog(unsigned templateId, QWidget* parent)
    : QDialog(parent), m_template(res::LoadDialog(templateId))
{
    setWindowTitle(m_template.caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void CDialog::BuildControls()
{
    const QFont f = font();
    // A dialog without a template (a property sheet) sizes itself.
    if (m_template.size.isValid())
        setFixedSize(MapDialogRect(QRect(QPoint(0, 0), m_template.size), f).size());
    QLabel* pendingBuddy = nullptr; // a label whose mnemonic moves to the next control
    for (const res::DlgControl& c : m_template.controls) {
        QWidget* w = nullptr;
        switch (c.kind) {
        case res::Ctl::Static: {
            auto* l = new QLabel(c.text, this);
            // One-line labels keep to one line: fonts here run wider than
            // the ones the templates were measured in.
            l->setWordWrap(c.rect.height() > 10);
            if (c.text.contains(u'&'))
                pendingBuddy = l;
            l->setAlignment((c.style & res::kCenter ? Qt::AlignHCenter : c.style & res::kRight ? Qt::AlignRight
                                                                                                : Qt::AlignLeft)
                            | Qt::AlignTop);
            if (c.style & res::kSunken)
                l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            w = l;
            break;
        }
        case res::Ctl::Icon: {
            auto* l = new QLabel(this);
            l->setAlignment(Qt::AlignCenter);
            if (c.style & res::kSunken)
                l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            if (c.id == 128)
                l->setPixmap(QApplication::windowIcon().pixmap(32, 32));
            w = l;
            break;
        }
        case res::Ctl::Edit: {
            auto* e = new QLineEdit(this);
            if (c.style & res::kPassword)
                e->setEchoMode(QLineEdit::Password);
            e->setReadOnly(c.style & res::kReadOnly);
            if (c.style & res::kDigits)
                e->setValidator(new QIntValidator(0, 2147483647, e));
            w = e;
            break;
        }
        case res::Ctl::Button:
        case res::Ctl::DefButton:
        case res::Ctl::IconButton: {
            auto* b = new QPushButton(c.text, this);
            b->setAutoDefault(false);
            b->setDefault(c.kind == res::Ctl::DefButton);
            if (c.id == 1)
                connect(b, &QPushButton::clicked, this, [this] { OnOK(); });
            else if (c.id == 2)
                connect(b, &QPushButton::clicked, this, [this] { OnCancel(); });
            w = b;
            break;
        }
        case res::Ctl::CheckBox:
            w = new QCheckBox(c.text, this);
            break;
        case res::Ctl::GroupBox:
            w = new QGroupBox(c.text, this);
            w->lower();
            break;
        case res::Ctl::ComboDropDown:
        case res::Ctl::ComboList: {
            auto* cb = new QComboBox(this);
            cb->setEditable(c.kind == res::Ctl::ComboDropDown);
            w = cb;
            break;
        }
        case res::Ctl::ListBox: {
            auto* lb = new QListWidget(this);
            lb->setSelectionMode(c.style & res::kMultiSelect ? QAbstractItemView::ExtendedSelection
                                                             : QAbstractItemView::SingleSelection);
            w = lb;
            break;
        }
        case res::Ctl::Spin:
            w = new QSpinBox(this);
            break;
        case res::Ctl::Animation:
            w = new QLabel(this);
            break;
        case res::Ctl::UpDown:
            w = new CUpDownCtrl(this);
            break;
        }
        if (!w)
            continue;
        if (c.id != -1)
            w->setObjectName(QString("ctl_%1").arg(c.id));
        QRect r = MapDialogRect(c.rect, f);
        // Combo boxes give their drop-down height; the closed box keeps its own.
        if (c.kind == res::Ctl::ComboDropDown || c.kind == res::Ctl::ComboList)
            r.setHeight(w->sizeHint().height());
        if (c.kind == res::Ctl::Static && c.rect.height() <= 10)
            r.setWidth(std::max(r.width(), w->sizeHint().width()));
        if (pendingBuddy && pendingBuddy != w && c.kind != res::Ctl::Static && c.kind != res::Ctl::GroupBox) {
            pendingBuddy->setBuddy(w);
            pendingBuddy = nullptr;
        }
        w->setGeometry(r);
        if (c.style & res::kHidden)
            w->hide();
    }
}

void CDialog::Create()
{
    if (m_bCreated)
        return;
    m_bCreated = true;
    BuildControls();
    OnInitDialog();
}

QWidget* CDialog::GetDlgItem(int id) const
{
    return findChild<QWidget*>(QString("ctl_%1").arg(id));
}

bool CDialog::UpdateData(bool save)
{
    DoDataExchange(save);
    return true;
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnOK()
{
    if (!UpdateData(true))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result)
{
    m_nResult = result;
    done(result);
}

CDialog::ModalHandler CDialog::SetModalHandler(ModalHandler handler)
{
    ModalHandler old = std::move(modalHandler());
    modalHandler() = std::move(handler);
    return old;
}

int CDialog::DoModal()
{
    Create();
    if (modalHandler()) {
        m_nResult = modalHandler()(this);
        return m_nResult;
    }
    m_nResult = IDCANCEL;
    exec();
    return m_nResult;
}

} // namespace fw
