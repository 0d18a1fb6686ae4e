#include "app/ui/WindowHooks.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/ui/DialogsOver.h"

namespace vandrel {

namespace {
// The texts of the standard dialogs.
struct StandardDialogs {
    Q_DECLARE_TR_FUNCTIONS(vandrel::StandardDialogs)
};
}  // namespace

WindowHooks standardWindowHooks() {
    WindowHooks hooks;
    hooks.pickColour = [](QWidget* parent, const QColor& initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, parent, QString(), QColorDialog::DontUseNativeDialog);
        if (!c.isValid()) return std::nullopt;
        return c;
    };
    hooks.confirmFactoryReset = [](QWidget* parent) {
        return askOver(parent, QMessageBox::Question, StandardDialogs::tr("出厂设置"),
                       StandardDialogs::tr("确认恢复至出厂设置吗？"), QMessageBox::Ok | QMessageBox::Cancel,
                       QMessageBox::Cancel) == QMessageBox::Ok;
    };
    hooks.warn = [](QWidget* parent, const QString& caption, const QString& text) {
        askOver(parent, QMessageBox::Warning, caption, text, QMessageBox::Ok);
    };
    hooks.askBeforeClose = [](QWidget* parent, const QString& unsaved) {
        QMessageBox box(QMessageBox::Question, StandardDialogs::tr("退出"), StandardDialogs::tr("有更改还没有保存到键盘。退出前要保存吗？"),
                        QMessageBox::NoButton, parent);
        if (!unsaved.isEmpty()) box.setInformativeText(unsaved);
        QPushButton* save = box.addButton(StandardDialogs::tr("保存"), QMessageBox::AcceptRole);
        QPushButton* discard = box.addButton(StandardDialogs::tr("放弃更改"), QMessageBox::DestructiveRole);
        QPushButton* cancel = box.addButton(StandardDialogs::tr("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(save);
        box.setEscapeButton(cancel);
        runDialogOver(box, parent);
        if (box.clickedButton() == save) return CloseChoice::Save;
        if (box.clickedButton() == discard) return CloseChoice::Discard;
        return CloseChoice::Cancel;
    };
    hooks.openPicture = [](QWidget* parent) {
        return QFileDialog::getOpenFileName(parent, StandardDialogs::tr("导入图片"), QString(),
                                            StandardDialogs::tr("图片 (*.png *.jpg *.jpeg)"));
    };
    hooks.savePicture = [](QWidget* parent, const QString& suggested) {
        return QFileDialog::getSaveFileName(parent, StandardDialogs::tr("导出图片"), suggested,
                                            StandardDialogs::tr("PNG 图片 (*.png)"));
    };
    return hooks;
}

}  // namespace vandrel
