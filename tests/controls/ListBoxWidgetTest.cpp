// The list widget headless: the edit box's keys and focus reach the owner as
// the list's messages, and a scroll commits a running edit.

#include <gtest/gtest.h>

#include <QTest>
#include <QtMath>

#include "controls/CEditHelper.h"
#include "controls/CTransparentListBox.h"
#include "tests/platform/TestApp.h"

namespace vandrel {
namespace {

// The owner: records the list's messages.
class Owner : public QWidget {
public:
    std::vector<ListMessage> received;

protected:
    bool event(QEvent* e) override {
        if (e->type() == kListEditBeginEvent || e->type() == kListEditEndEvent || e->type() == kListRowRenamedEvent) {
            received.push_back(static_cast<ListMessageEvent*>(e)->message);
            return true;
        }
        return QWidget::event(e);
    }
};

struct Lists {
    bool appReady = (test::app(), true);
    Owner owner;
    CTransparentListBox* events;
    Lists() {
        owner.resize(300, 300);
        events = new CTransparentListBox(&owner, false, false);
        events->setGeometry(150, 80, 113, 275);
        events->setListStyle(QStringLiteral("Arial"), 16, Qt::white, QColor(0, 255, 255), true);
        events->setMode(kListMacroEvents);
        for (int i = 0; i < 30; ++i) events->addRow(i % 2 ? QStringLiteral("500 ms") : QStringLiteral("A  dn"));
        owner.show();
        QApplication::setActiveWindow(&owner);
    }
    void doubleClickRow(int row) {
        const QPoint at(10, events->model().rowRect(row).y + 2);
        QTest::mouseClick(events, Qt::LeftButton, {}, at);
        QTest::mouseDClick(events, Qt::LeftButton, {}, at);
    }
};

TEST(ListBoxWidget, EnterReleaseCommitsEscCancels) {
    Lists l;
    l.doubleClickRow(1);
    ASSERT_NE(l.events->editor(), nullptr);
    ASSERT_EQ(l.owner.received.size(), 1u);
    EXPECT_EQ(l.owner.received[0].id, kListEditBegin);
    QTest::keyClicks(l.events->editor(), QStringLiteral("7x5"));  // digits only: "75"
    QTest::keyClick(l.events->editor(), Qt::Key_Return);
    EXPECT_EQ(l.events->editor(), nullptr);
    EXPECT_EQ(l.events->rowText(1), QStringLiteral("75 ms"));
    ASSERT_EQ(l.owner.received.size(), 2u);
    EXPECT_EQ(l.owner.received[1].lParam, 75);

    l.doubleClickRow(3);
    ASSERT_NE(l.events->editor(), nullptr);
    QTest::keyClicks(l.events->editor(), QStringLiteral("9"));
    QTest::keyClick(l.events->editor(), Qt::Key_Escape);
    EXPECT_EQ(l.events->editor(), nullptr);
    EXPECT_EQ(l.events->rowText(3), QStringLiteral("500 ms"));
    EXPECT_EQ(l.owner.received.size(), 3u);  // only the second begin notice
}

TEST(ListBoxWidget, ScrollingAndFocusLossCommit) {
    Lists l;
    l.doubleClickRow(1);
    QTest::keyClicks(l.events->editor(), QStringLiteral("40"));
    QWheelEvent wheel(QPointF(10, 10), l.events->mapToGlobal(QPointF(10, 10)), {}, QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(l.events, &wheel);
    EXPECT_EQ(l.events->editor(), nullptr);
    EXPECT_EQ(l.events->rowText(1), QStringLiteral("40 ms"));
    EXPECT_EQ(l.events->model().topRow(), 3);

    l.events->setTopRow(0);
    l.doubleClickRow(3);
    QTest::keyClicks(l.events->editor(), QStringLiteral("8"));
    InplaceEditDoneEvent focusLost(true);  // what the box sends when it loses the focus
    QApplication::sendEvent(l.events, &focusLost);
    EXPECT_EQ(l.events->rowText(3), QStringLiteral("8 ms"));
    QApplication::sendEvent(l.events, &focusLost);  // late: ignored
    EXPECT_EQ(l.owner.received.back().id, kListEditEnd);
    EXPECT_EQ(l.owner.received.size(), 4u);
}

// The rows' text shadow sits under the text, one logical pixel off, at any
// pixel density (run with QT_SCALE_FACTOR=2 too): further off, it reads as a
// second copy of the text beside the first.
TEST(ListBoxWidget, TheTextShadowLiesOnePixelUnderTheText) {
    Lists l;
    const QImage frame = l.events->compose();
    const qreal ratio = frame.devicePixelRatio();
    // The first row's "A", in device pixels: white text, black shadow on the
    // list's dark grey.
    const int rowHeight = qRound(l.events->model().rowRect(0).height * ratio);
    QRect text, shadow;
    for (int y = 0; y < rowHeight; ++y)
        for (int x = 0; x < qRound(20 * ratio); ++x) {
            const QColor c = frame.pixelColor(x, y);
            if (c.red() > 200 && c.blue() > 200) text |= QRect(x, y, 1, 1);
            if (c.red() < 12 && c.green() < 12 && c.blue() < 12) shadow |= QRect(x, y, 1, 1);
        }
    ASSERT_FALSE(text.isEmpty());
    ASSERT_FALSE(shadow.isEmpty());
    EXPECT_GT(shadow.bottom(), text.bottom());
    EXPECT_LE(shadow.bottom() - text.bottom(), qCeil(ratio)) << "shadow " << shadow.bottom() << ", text " << text.bottom();
    EXPECT_LE(shadow.right() - text.right(), qCeil(ratio));
}

}  // namespace
}  // namespace vandrel
