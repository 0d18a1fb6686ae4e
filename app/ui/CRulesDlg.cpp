#include "app/ui/CRulesDlg.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/draw/ModelText.h"
#include "app/ui/DialogsOver.h"
#include "app/ui/NamedComboBox.h"
#include "app/frontends/ProfileSwitchController.h"
#include "profile/ProfileStore.h"

namespace vandrel {

namespace {

std::vector<std::string> profileNames(const QString& folder) {
    ProfileStore store(std::filesystem::path(folder.toStdU16String()));
    store.scanProfiles();
    std::vector<std::string> names;
    for (const ProfileEntry& e : store.profiles()) names.push_back(QString::fromStdU16String(e.name).toStdString());
    return names;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

// A button Enter does not press: Remove was the dialog's default button, so
// Enter in the list removed the selected rule.
QPushButton* plainButton(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

// A close mark in the button's text colour. The desktop's icon for Close
// is drawn for a light face and all but vanishes on the dark look.
QIcon closeIcon(const QColor& colour) {
    QPixmap mark(16, 16);
    mark.fill(Qt::transparent);
    QPainter p(&mark);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
    p.end();
    return QIcon(mark);
}

}  // namespace

CRulesDlg::CRulesDlg(ProfileSwitchController& switching, QWidget* parent)
    : QDialog(parent), m_switching(switching) {
    setWindowTitle(tr("自动切换规则"));
    m_model = std::make_unique<RulesDialogModel>(switching.settings().rules(), profileNames(switching.profileFolder()));
    auto* layout = new QVBoxLayout(this);

    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_status);

    m_enabled = new QCheckBox(tr("按前台窗口切换配置"), this);
    m_enabled->setChecked(switching.settings().enabled());
    m_notify = new QCheckBox(tr("切换时显示桌面通知"), this);
    m_notify->setChecked(switching.settings().notify());
    layout->addWidget(m_enabled);
    layout->addWidget(m_notify);
    connect(m_enabled, &QCheckBox::toggled, this, [this](bool on) {
        m_switching.settings().setEnabled(on);
        m_switching.reload();
    });
    connect(m_notify, &QCheckBox::toggled, this, [this](bool on) { m_switching.settings().setNotify(on); });

    m_table = new QTableWidget(0, 4, this);
    m_table->setHorizontalHeaderLabels({tr("窗口类"), tr("标题（正则表达式）"), tr("程序"), tr("配置")});
    m_table->setAccessibleName(tr("规则列表"));
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Whole rows are chosen, so Tab goes on to the row's buttons.
    m_table->setTabKeyNavigation(false);
    layout->addWidget(m_table);
    auto* rowButtons = new QHBoxLayout;
    auto* remove = plainButton(tr("删除"), this);
    auto* up = plainButton(tr("上移"), this);
    auto* down = plainButton(tr("下移"), this);
    rowButtons->addWidget(remove);
    rowButtons->addWidget(up);
    rowButtons->addWidget(down);
    rowButtons->addStretch();
    layout->addLayout(rowButtons);
    connect(remove, &QPushButton::clicked, this, &CRulesDlg::removeSelected);
    connect(up, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveSelected(1); });

    auto* form = new QFormLayout;
    m_class = new QLineEdit(this);
    m_class->setPlaceholderText(tr("例如 steam_app_730（xprop WM_CLASS）"));
    m_title = new QLineEdit(this);
    m_title->setPlaceholderText(tr("可选"));
    m_exe = new QLineEdit(this);
    m_exe->setPlaceholderText(tr("可选：完整路径或文件名"));
    // Read by their labels, not by the choice they show.
    m_profile = new NamedComboBox(tr("配置"), this);
    for (const std::string& p : m_model->profiles()) m_profile->addItem(q(p));
    auto* add = plainButton(tr("添加规则"), this);
    form->addRow(tr("窗口类"), m_class);
    form->addRow(tr("标题"), m_title);
    form->addRow(tr("程序"), m_exe);
    form->addRow(tr("配置"), m_profile);
    form->addRow(QString(), add);
    layout->addLayout(form);
    connect(add, &QPushButton::clicked, this, &CRulesDlg::addFromForm);

    auto* defaultRow = new QFormLayout;
    m_default = new NamedComboBox(tr("其他窗口"), this);
    m_default->addItem(tr("无（恢复切换前的配置）"), QString());
    for (const std::string& p : m_model->profiles()) m_default->addItem(q(p), q(p));
    const int at = m_default->findData(q(m_model->rules().defaultProfile));
    m_default->setCurrentIndex(at < 0 ? 0 : at);
    defaultRow->addRow(tr("其他窗口"), m_default);
    layout->addLayout(defaultRow);
    connect(m_default, &QComboBox::currentIndexChanged, this, [this] {
        if (m_showingRules) return;
        followFile();
        m_model->setDefault(m_default->currentData().toString().toStdString());
        store();
    });

    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    layout->addWidget(m_message);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    for (QAbstractButton* b : buttons->buttons())
        if (auto* p = qobject_cast<QPushButton*>(b)) p->setAutoDefault(false);
    if (QPushButton* close = buttons->button(QDialogButtonBox::Close))
        close->setIcon(closeIcon(close->palette().color(QPalette::ButtonText)));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    confirmRemove = [](QWidget* parent, const QString& question) {
        return askOver(parent, QMessageBox::Question, tr("自动切换规则"), question, QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::No) == QMessageBox::Yes;
    };
    connect(&m_switching, &ProfileSwitchController::statusChanged, this, &CRulesDlg::showStatus);
    // vandrelctl rule and other programs change the rules while the window is open.
    connect(&m_switching, &ProfileSwitchController::rulesChanged, this, [this] {
        if (followFile()) showRules();
    });
    showRules();
    showStatus();
    resize(640, 560);
}

bool CRulesDlg::followFile() {
    m_model->setProfiles(profileNames(m_switching.profileFolder()));
    return m_model->follow(m_switching.settings().rules());
}

bool CRulesDlg::store() {
    const bool written = m_switching.settings().setRules(m_model->rules());
    m_switching.reload();
    if (!written) {
        m_message->setText(tr("无法写入设置文件 %1，规则未保存。").arg(m_switching.settings().file()));
        followFile();
    }
    showRules();
    return written;
}

void CRulesDlg::addFromForm() {
    // Added to the list the file holds now.
    if (followFile()) showRules();
    ProfileRule rule;
    rule.windowClass = m_class->text().trimmed().toStdString();
    rule.title = m_title->text().toStdString();
    rule.exe = m_exe->text().trimmed().toStdString();
    rule.profile = m_profile->currentText().toStdString();
    const std::string problem = m_model->add(rule, modelLookup());
    m_message->setText(q(problem));
    if (!problem.empty()) return;
    m_class->clear();
    m_title->clear();
    m_exe->clear();
    store();
}

void CRulesDlg::removeSelected() {
    const int row = m_table->currentRow();
    if (row < 0 || row >= static_cast<int>(m_model->rules().rules.size())) return;
    const ProfileRule rule = m_model->rules().rules[row];
    if (confirmRemove && !confirmRemove(this, q(m_model->removeQuestion(row, modelLookup())))) return;
    // The rule shown is removed from the list the file holds now, wherever
    // another program moved it meanwhile.
    followFile();
    if (!m_model->remove(rule)) {
        m_message->setText(tr("此规则已在别处删除。"));
        showRules();
        return;
    }
    m_message->clear();
    store();
}

void CRulesDlg::moveSelected(int by) {
    const int row = m_table->currentRow();
    // Rows shown before the file changed may no longer be the rules meant.
    if (followFile()) {
        m_message->setText(tr("规则已在别处更改，列表已更新，请重新选择。"));
        showRules();
        return;
    }
    if (!m_model->move(row, by)) return;
    store();
    m_table->selectRow(row + by);
}

void CRulesDlg::showRules() {
    const std::vector<ProfileRule>& rules = m_model->rules().rules;
    const int current = m_table->currentRow();
    m_table->setRowCount(static_cast<int>(rules.size()));
    for (int i = 0; i < static_cast<int>(rules.size()); ++i) {
        const ProfileRule& r = rules[i];
        // A rule that cannot be followed is marked, with the reason on every cell.
        const QString warning = q(m_model->rowWarning(i, modelLookup()));
        const std::string cells[] = {r.windowClass, r.title, r.exe, r.profile};
        for (int c = 0; c < 4; ++c) {
            QString cell = q(cells[c]);
            if (c == 3 && !m_model->profileListed(r.profile)) cell = tr("⚠ %1（不存在）").arg(cell);
            auto* item = new QTableWidgetItem(cell);
            if (!warning.isEmpty()) {
                item->setToolTip(warning);
                item->setForeground(QColor(196, 22, 28));
            }
            m_table->setItem(i, c, item);
        }
    }
    if (current >= 0 && current < m_table->rowCount()) m_table->selectRow(current);
    // The default's box follows the file too.
    m_showingRules = true;
    const QString chosen = q(m_model->rules().defaultProfile);
    int at = m_default->findData(chosen);
    if (at < 0 && !chosen.isEmpty()) {
        m_default->addItem(tr("⚠ %1（不存在）").arg(chosen), chosen);
        at = m_default->count() - 1;
    }
    m_default->setCurrentIndex(at < 0 ? 0 : at);
    m_showingRules = false;
}

void CRulesDlg::showStatus() {
    QStringList lines;
    for (const std::string& line : RulesDialogModel::statusLines(m_switching.status(), modelLookup())) lines << q(line);
    m_status->setText(lines.join(u'\n'));
}

}  // namespace vandrel
