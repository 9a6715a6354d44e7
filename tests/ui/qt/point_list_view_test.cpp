#include "ui/qt/point_list_view.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <fstream>
#include <functional>
#include <memory>

#include "sim/observatory.h"
#include "support/memory_store.h"
#include "support/virtual_clock.h"
#include "ui/qt/kov_form.h"

namespace kov::qt {
namespace {

using Act = std::function<void(QWidget*)>;

// Runs each act on the next modal dialog in turn; each must close its dialog.
std::unique_ptr<QTimer> OnModals(std::vector<Act> acts) {
    auto timer = std::make_unique<QTimer>();
    auto done = std::make_shared<std::pair<std::size_t, QPointer<QWidget>>>(0, nullptr);
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [raw = timer.get(), acts, done] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == done->second || done->first >= acts.size()) {
            return;
        }
        done->second = modal;
        acts[done->first++](modal);
        if (done->first == acts.size()) {
            raw->stop();
        }
    });
    timer->start(5);
    return timer;
}

// A file dialog: its title is kept, then the name is chosen; an empty name cancels.
Act ChooseFile(QString& title, const QString& name) {
    return [&title, name](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        title = dialog ? dialog->windowTitle() : QString("not a file dialog");
        if (name.isEmpty() || !dialog) {
            static_cast<QDialog*>(modal)->reject();
            return;
        }
        dialog->selectFile(name);
        static_cast<QDialog*>(dialog)->accept();
    };
}

// A message box: "title: text" is kept, then the button is clicked.
Act Answer(QMessageBox::StandardButton button, QString& text) {
    return [button, &text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        text = box ? box->windowTitle() + ": " + box->text() : QString("not a box");
        box ? box->button(button)->click() : static_cast<QDialog*>(modal)->reject();
    };
}

kov::test::MemoryStore MapPointsStore() {
    kov::test::MemoryStore store;
    store.put("Movement", "PointList");
    return store;
}

// The window on the simulated observatory, with the Map Points pattern showing.
class PointListViewTest : public ::testing::Test {
  protected:
    PointListViewTest() {
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    template <class W = QWidget>
    W* find(const char* name) {
        return form.findChild<W*>(QString::fromLatin1(name));
    }
    void click(const char* name) { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); }
    QTreeWidget* lv() { return find<QTreeWidget>("LV"); }
    QString rows() {
        QString text;
        for (int row = 0; row < lv()->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = lv()->topLevelItem(row);
            text += item->text(0) + "," + item->text(1) + (item->font(0).bold() ? "*" : "") + "|";
        }
        return text;
    }
    Station& st() { return form.station(); }

    kov::test::MemoryStore store = MapPointsStore();
    kov::test::VirtualClock clock;
    sim::Observatory observatory{sim::DefaultScenario(), clock};
    KOVForm form{store, clock, observatory.factory(), observatory.desktop()};
    QTemporaryDir dir;
};

TEST_F(PointListViewTest, AddDeleteSaveAndLoad) {
    click("AddPoint");  // creates and connects TheSky's telescope on the way
    click("AddPoint");
    ASSERT_EQ(lv()->topLevelItemCount(), 2);
    EXPECT_TRUE(lv()->topLevelItem(0)->text(0).contains(QChar(0xBA)));
    st().points.replace({{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}});
    st().points.makeOnlyBold(1);  // as a run marks its current point
    EXPECT_EQ(rows(), "1,a|2,b*|3,c|4,d|");
    EXPECT_EQ(lv()->selectionMode(), QAbstractItemView::ExtendedSelection);
    lv()->topLevelItem(0)->setSelected(true);
    lv()->topLevelItem(2)->setSelected(true);
    click("Delete");
    EXPECT_EQ(rows(), "2,b*|4,d|");
    EXPECT_EQ(find<QLineEdit>("NumberOfAligns")->text(), "2");

    QString title;
    QString box;
    const QString path = dir.path() + "/night.kov";
    {
        auto watch = OnModals({ChooseFile(title, path), Answer(QMessageBox::Ok, box)});
        click("SavePoints");
    }
    EXPECT_EQ(title, "Save Mapping Points");
    EXPECT_EQ(box, "KOV: Saved " + path);
    EXPECT_EQ(find<QLabel>("FileDisplay")->text(), path);
    std::ifstream saved(path.toStdString(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), "2,b\r\n4,d\r\n");

    std::ofstream(path.toStdString(), std::ios::binary) << "7,\xBA\r\n";
    {
        auto watch = OnModals({ChooseFile(title, path)});
        click("LoadPts");
    }
    EXPECT_EQ(title, "Load Mapping Points");
    EXPECT_EQ(rows(), QString("7,") + QChar(0xBA) + "|");
    EXPECT_EQ(find<QLineEdit>("NumberOfAligns")->text(), "1");
}

TEST_F(PointListViewTest, CancelledDialogsEmptySaveAndDoubleClickAnsweredNoChangeNothing) {
    QString title;
    QString box;
    {
        auto watch = OnModals({Answer(QMessageBox::Ok, box)});
        click("SavePoints");  // empty list: a box, no dialog
    }
    EXPECT_EQ(box, "KOV: No points to save!");

    st().points.replace({{"45", "180"}});
    st().ui.setLabel(Label::FileDisplay, "kept.kov");
    for (const char* command : {"SavePoints", "LoadPts"}) {
        SCOPED_TRACE(command);
        title.clear();
        auto watch = OnModals({ChooseFile(title, "")});
        click(command);
        EXPECT_FALSE(title.isEmpty() || title == "not a file dialog") << title.toStdString();
        EXPECT_EQ(rows(), "45,180|");
        EXPECT_EQ(find<QLabel>("FileDisplay")->text(), "kept.kov");
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    const std::size_t calls = observatory.callLog().size();
    QTreeWidgetItem* item = lv()->topLevelItem(0);
    const QPoint at = lv()->visualItemRect(item).center();
    QTest::mouseClick(lv()->viewport(), Qt::LeftButton, {}, at);
    {
        auto watch = OnModals({Answer(QMessageBox::No, box)});
        QTest::mouseDClick(lv()->viewport(), Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(box, "Slew to Point: Slew to point: 45, 180?");
    EXPECT_EQ(observatory.callLog().size(), calls);  // no telescope touched

    // The horizon heights had no reachable home; the list frame is it now.
    auto* east = find<QLineEdit>("tEast");
    ASSERT_TRUE(east != nullptr && east->isVisible());
    QTest::keyClicks(east, "5");
    EXPECT_EQ(st().settings.tEast(), "305");
}

}  // namespace
}  // namespace kov::qt
