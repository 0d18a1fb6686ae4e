#pragma once
// "插入文本": a text box, the layout the text is typed in, and a line that
// says what the insertion takes and what the layout cannot type. The work is
// the InsertTextModel's; this dialog shows it and says Insert or Cancel.

#include <QDialog>

#include "app/model/InsertTextModel.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vandrel {

class CInsertTextDlg : public QDialog {
    Q_OBJECT
public:
    CInsertTextDlg(InsertTextModel& model, QWidget* parent = nullptr);

    QPlainTextEdit* textEdit() const { return m_text; }
    QComboBox* layoutBox() const { return m_layouts; }
    QLabel* statusLine() const { return m_status; }
    QPushButton* insertButton() const { return m_insert; }

    // What the status line says for the model's state.
    static QString statusText(const InsertTextModel& model);
    // The model's current layout (row 0) changed: its row and the plan follow.
    void currentLayoutChanged();

private:
    void refresh();

    InsertTextModel& m_model;
    QPlainTextEdit* m_text = nullptr;
    QComboBox* m_layouts = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_insert = nullptr;
};

}  // namespace vandrel
