#include "app/ui/CInsertTextDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vandrel {

namespace {

// Characters as the user can recognise them: quoted, or by code point where
// they have no visible form (a control character, a blank).
QString characterList(const std::u32string& chars) {
    QStringList out;
    for (char32_t c : chars) {
        if (c <= 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
            out << QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
        else
            out << CInsertTextDlg::tr("“%1”").arg(QString::fromStdU32String(std::u32string(1, c)));
    }
    return out.join(CInsertTextDlg::tr("、"));
}

}  // namespace

CInsertTextDlg::CInsertTextDlg(InsertTextModel& model, QWidget* parent) : QDialog(parent), m_model(model) {
    setWindowTitle(tr("插入文本"));
    m_text = new QPlainTextEdit(this);
    m_text->setTabChangesFocus(false);
    m_text->setMinimumSize(360, 90);
    m_layouts = new QComboBox(this);
    for (int row = 0; row < m_model.layoutCount(); ++row) {
        const QString description = QString::fromStdString(m_model.layoutDescription(row));
        m_layouts->addItem(row == 0 ? tr("当前布局（%1）").arg(description) : description);
    }
    m_layouts->setCurrentIndex(m_model.chosenLayout());
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setMinimumHeight(48);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(this);
    m_insert = buttons->addButton(tr("插入"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(tr("文本："), m_text);
    form->addRow(tr("键盘布局："), m_layouts);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addWidget(buttons);

    connect(m_text, &QPlainTextEdit::textChanged, this, [this] {
        m_model.setText(m_text->toPlainText().toStdU16String());
        refresh();
    });
    connect(m_layouts, &QComboBox::currentIndexChanged, this, [this](int row) {
        m_model.chooseLayout(row);
        refresh();
    });
    refresh();
    m_text->setFocus();
}

QString CInsertTextDlg::statusText(const InsertTextModel& model) {
    const TextTyping& plan = model.plan();
    switch (model.state()) {
    case InsertTextModel::State::NoLayout: return tr("无法载入所选的键盘布局。");
    case InsertTextModel::State::Empty:
        return tr("输入要插入的文字：宏会按所选布局中输入这些文字的按键（含 Shift、AltGr 和死键）播放。");
    case InsertTextModel::State::NothingTypable: return tr("所选布局无法输入：%1").arg(characterList(plan.untypable));
    case InsertTextModel::State::TooLong:
        return tr("文字太长：需要 %1 字节，宏中只剩 %2 字节，只够输入前 %3 个字符。")
            .arg(plan.bytes())
            .arg(model.freeBytes())
            .arg(plan.fittingCharacters);
    case InsertTextModel::State::Ready: break;
    }
    QString text = tr("将插入 %1 个按键动作，占 %2 字节（宏中还剩 %3 字节）。")
                       .arg(plan.actions.size())
                       .arg(plan.bytes())
                       .arg(model.freeBytes());
    if (!plan.untypable.empty()) text += QLatin1Char('\n') + tr("所选布局无法输入，将跳过：%1").arg(characterList(plan.untypable));
    return text;
}

void CInsertTextDlg::currentLayoutChanged() {
    m_layouts->setItemText(0, tr("当前布局（%1）").arg(QString::fromStdString(m_model.layoutDescription(0))));
    refresh();
}

void CInsertTextDlg::refresh() {
    m_status->setText(statusText(m_model));
    m_insert->setEnabled(m_model.state() == InsertTextModel::State::Ready);
}

}  // namespace vandrel
