#include "ui/qt/point_list_view.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <fstream>

#include "sim/observatory.h"
#include "support/memory_store.h"
#include "support/virtual_clock.h"
#include "ui/qt/kov_form.h"
#include "ui/qt/modals.h"

namespace kov::qt {
namespace {

// The list frame of the window on the simulated observatory: its rows follow the list, its
// buttons and dialogs reach the commands, and the horizon heights live under it.
TEST(PointListView, RowsButtonsDialogsAndDoubleClick) {
    kov::test::MemoryStore store;
    store.put("Movement", "PointList");
    kov::test::VirtualClock clock;
    sim::Observatory observatory{sim::DefaultScenario(), clock};
    KOVForm form{store, clock, observatory.factory(), observatory.desktop()};
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTemporaryDir dir;
    const auto find = [&form](const char* name) {
        return form.findChild<QWidget*>(QString::fromLatin1(name));
    };
    const auto click = [&](const char* name) { QTest::mouseClick(find(name), Qt::LeftButton); };
    auto* lv = form.findChild<QTreeWidget*>("LV");
    const auto rows = [lv] {
        QString text;
        for (int row = 0; row < lv->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = lv->topLevelItem(row);
            text += item->text(0) + "," + item->text(1) + (item->font(0).bold() ? "*" : "") + "|";
        }
        return text;
    };
    Station& st = form.station();

    click("AddPoint");  // creates and connects TheSky's telescope on the way
    click("AddPoint");
    ASSERT_EQ(lv->topLevelItemCount(), 2);
    EXPECT_TRUE(lv->topLevelItem(0)->text(0).contains(QChar(0xBA)));
    st.points.replace({{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}});
    st.points.makeOnlyBold(1);  // as a run marks its current point
    EXPECT_EQ(rows(), "1,a|2,b*|3,c|4,d|");
    lv->topLevelItem(0)->setSelected(true);
    lv->topLevelItem(2)->setSelected(true);
    click("Delete");
    EXPECT_EQ(rows(), "2,b*|4,d|");
    EXPECT_EQ(qobject_cast<QLineEdit*>(find("NumberOfAligns"))->text(), "2");

    const QString path = dir.path() + "/night.kov";
    {
        Modals answers(QMessageBox::Ok, {"", path, path});
        click("LoadPts");  // cancelled: nothing changes
        EXPECT_EQ(rows(), "2,b*|4,d|");
        click("SavePoints");
        EXPECT_EQ(qobject_cast<QLabel*>(find("FileDisplay"))->text(), path);
        std::ofstream(path.toStdString(), std::ios::binary) << "7,8\xBA\r\n";
        click("LoadPts");
        QStringList titles;
        for (const QString& seen : answers.seen) {
            titles << seen.section('|', 0, 0);
        }
        EXPECT_EQ(titles, QStringList({"Load Mapping Points", "Save Mapping Points", "KOV",
                                       "Load Mapping Points"}));
        EXPECT_EQ(answers.seen.value(2),
                  Box("KOV", "Saved " + path, QMessageBox::NoIcon, QMessageBox::Ok));
    }
    EXPECT_EQ(rows(), QString("7,8") + QChar(0xBA) + "|");

    // A double-click asks before the telescope moves; No leaves it alone.
    const std::size_t calls = observatory.callLog().size();
    const QPoint at = lv->visualItemRect(lv->topLevelItem(0)).center();
    QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, at);
    {
        Modals answers(QMessageBox::No);
        QTest::mouseDClick(lv->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(answers.seen.value(0).section('|', 0, 1),
                  "Slew to Point|Slew to point: 7, 8" + QString(QChar(0xBA)) + "?");
    }
    EXPECT_EQ(observatory.callLog().size(), calls);

    auto* east = qobject_cast<QLineEdit*>(find("tEast"));
    ASSERT_TRUE(east != nullptr && east->isVisible());
    QTest::keyClicks(east, "5");
    EXPECT_EQ(st.settings.tEast(), "305");
}

}  // namespace
}  // namespace kov::qt
