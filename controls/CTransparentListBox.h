#pragma once
// A list whose rows are drawn in a bold font, optionally with a shadow,
// straight over a background picture so that it looks part of the skinned
// window: the list's own picture (bmp145.png from (7, 22)) in modes 0 and 1,
// the owner's pixels under the list in mode 3. In mode 1 (macro events) press
// and release rows show arrow pictures and delay rows a clock, and only delay
// rows can be edited. A double-click edits the selected row in place; the
// outcome reaches the owner as ListMessageEvents (see ListBoxModel).

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "controls/ListBoxModel.h"

class QScrollBar;

namespace vandrel {

class CEditHelper;

// A message of the list to its owner; the event type is the message id.
class ListMessageEvent : public QEvent {
public:
    explicit ListMessageEvent(const ListMessage& m)
        : QEvent(static_cast<QEvent::Type>(m.id)), message(m) {}
    ListMessage message;
};

constexpr QEvent::Type kListEditBeginEvent = static_cast<QEvent::Type>(kListEditBegin);
constexpr QEvent::Type kListEditEndEvent = static_cast<QEvent::Type>(kListEditEnd);
constexpr QEvent::Type kListRowRenamedEvent = static_cast<QEvent::Type>(kListRowRenamed);

class CTransparentListBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int kScrollBarWidth = 12;
    // Between the list's left edge and the rows' texts.
    static constexpr int kTextPadding = 5;
    // The part of bmp145.png used as background starts here.
    static constexpr int kBackgroundX = 7;
    static constexpr int kBackgroundY = 22;

    CTransparentListBox(QWidget* parent, bool sorted, bool notify, ListBoxModel::Compare compare = {});
    ~CTransparentListBox() override;

    // Bold font of the face at the height, the two text colours and the shadow
    // (its offset in logical pixels: one lies under the text at any density,
    // more shows as a second copy of the text once the screen is sharp enough).
    void setListStyle(const QString& face, int height, const QColor& text, const QColor& selected,
                      bool shadowOn, const QColor& shadow = Qt::black, int shadowOffset = 1);
    void setMode(int mode);
    // The folder holding bmp131/137/138/145.png.
    void setSkinFolder(const QString& folder);
    // Mode 3: the owner's picture under a rectangle of the owner.
    void setOwnerBackground(std::function<QImage(const QRect&)> source);
    // Receives the messages; the parent widget by default.
    void setOwner(QObject* owner) { m_owner = owner; }

    const ListBoxModel& model() const { return m_model; }
    int addRow(const QString& text, uint32_t value = 0);
    int insertRow(int index, const QString& text, uint32_t value = 0);
    void deleteRow(int row);
    void clearRows();
    // Selects without telling the owner, as a program's own selection does.
    void setSelected(int row);
    int selected() const { return m_model.selected(); }
    int count() const { return m_model.count(); }
    QString rowText(int row) const;
    void setTopRow(int row);
    // Selects a row as the user's click or key does: scrolled into view and
    // told to the owner.
    void selectRowByUser(int row);
    // A row's rectangle in the list's coordinates.
    QRect rowRectangle(int row) const;
    // Opens the in-place edit on the selected row, as a double-click on it does.
    void editSelectedRow();
    // Asks the owner for the row menu at the selected row, as the right button does.
    void requestContextMenu();

    // The in-place edit box while an edit runs, else null.
    CEditHelper* editor() const { return m_editor; }
    // Commits (or cancels) a running edit.
    void endEdit(bool commit);
    // The list as painted: background and rows, without the scroll bar.
    QImage compose();
    // Drops the captured background so that the next painting takes it again.
    void invalidateBackground() { m_backgroundValid = false; }

signals:
    // The user chose another row (click or key); not sent for setSelected.
    void selectionChanged(int row);
    // The right button was pressed over the list, at a global position.
    void contextMenuRequested(const QPoint& globalPos);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void sendMessages();
    void captureBackground();
    void loadPictures(qreal ratio);
    void drawRow(QPainter& p, int row);
    void syncScrollBar();
    int clientWidth() const;
    void selectByUser(bool changed);
    void startEdit(const EditStart& start);
    // Tells a screen reader which row has the focus.
    void announceFocusedRow();

    ListBoxModel m_model;
    QPointer<QObject> m_owner;
    CEditHelper* m_editor = nullptr;
    QScrollBar* m_scroll = nullptr;
    QString m_skinFolder;
    std::function<QImage(const QRect&)> m_ownerBackground;

    QFont m_font;
    QColor m_textColor;
    QColor m_selectedColor;
    QColor m_shadowColor = Qt::black;
    int m_shadowOffset = 1;
    bool m_shadowOn = false;

    QImage m_background;
    qreal m_backgroundRatio = 0;
    bool m_backgroundValid = false;
    bool m_focusMark = false;  // the focus came from the keyboard: the list shows it
    QImage m_pictures[3];  // press, release, delay
    qreal m_picturesRatio = 0;  // the density they were loaded for
};

}  // namespace vandrel
