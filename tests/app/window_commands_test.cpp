// Install on a thread of its own, with every change of the window model made on the window's
// thread; Close by any means ignored while it runs. The test's own thread plays the window's
// thread: what the install sends there runs only while the test pumps.
#include "app/window_commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>

#include "tests/install/install_fixture.h"
#include "tests/support/form_fixture.h"

namespace {

using app::Change;
using app::Ctl;
using app::WindowCommands;
using installtest::Item;
using installtest::Scenario;
using text::Text;

class TestWindowThread : public app::WindowThread {
 public:
  void runAndWait(const std::function<void()>& task) override {
    std::promise<void> done;
    post([&] {
      task();
      done.set_value();
    });
    done.get_future().wait();
  }

  void post(std::function<void()> task) override {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(task));
    }
    arrived_.notify_one();
  }

  // Runs what reaches the window's thread until `done` holds; false when nothing arrives for a
  // minute before that.
  bool pumpUntil(const std::function<bool()>& done) {
    while (!done()) {
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, std::chrono::minutes(1), [&] { return !queue_.empty(); })) {
          return false;
        }
        task = std::move(queue_.front());
        queue_.pop_front();
      }
      task();
    }
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<std::function<void()>> queue_;
};

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}, {2, u"Zostaje"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};
const std::vector<Item> kMerged = {{1, u"Nowa szafa"}, {2, u"Zostaje"}, {3, u"Dodany stół"}};

// An install's end as the window's thread sees it.
struct Ended {
  int count = 0;
  std::exception_ptr error;
  std::thread::id on;
  auto callback() {
    return [this](std::exception_ptr e) {
      ++count;
      error = e;
      on = std::this_thread::get_id();
    };
  }
};

TEST(WindowCommands, InstallWorksOffTheWindowThreadAndChangesTheWindowOnlyOnIt) {
  // The same update twice: on the window's thread, as the click runs by itself, and through
  // the commands.
  Scenario direct;
  direct.makePrevious(kPrevious);
  direct.makePackage(kPackage);
  direct.form.ButtonInstallClick();

  Scenario s;
  s.makePrevious(kPrevious);
  s.makePackage(kPackage);
  TestWindowThread windowThread;
  std::vector<std::thread::id> changedOn;
  std::vector<int> gauge;
  s.window.onChange = [&](Change what, Ctl) {
    changedOn.push_back(std::this_thread::get_id());
    if (what == Change::Gauge) gauge.push_back(s.window.gauge());
  };
  WindowCommands commands(s.form, windowThread);
  Ended ended;
  commands.install(ended.callback());
  // The click has returned at once; its first change waits for the window's thread.
  EXPECT_TRUE(commands.installing());
  EXPECT_TRUE(changedOn.empty());

  ASSERT_TRUE(windowThread.pumpUntil([&] { return ended.count > 0; }));
  EXPECT_FALSE(commands.installing());
  EXPECT_FALSE(ended.error);
  EXPECT_EQ(ended.on, std::this_thread::get_id());
  ASSERT_FALSE(changedOn.empty());
  for (const auto& id : changedOn) EXPECT_EQ(id, std::this_thread::get_id());
  // The log in the same lines and order, the gauge forward only, the same result on disk.
  EXPECT_EQ(apptest::utf8(s.window.memoLines()), apptest::utf8(direct.window.memoLines()));
  ASSERT_FALSE(gauge.empty());
  EXPECT_TRUE(std::is_sorted(gauge.begin(), gauge.end()));
  EXPECT_EQ(gauge.back(), 100);
  EXPECT_EQ(installtest::readItems(s.fs, s.file(u"dodatki.mdb")), kMerged);
  EXPECT_TRUE(s.window.visible(Ctl::BGfinish));
}

TEST(WindowCommands, CloseIsIgnoredWhileInstallingAndCleansUpAfterwards) {
  Scenario s;
  s.makePackage(kPackage);
  s.fs.writeFile(s.form.tmpDir + s.form.cover, "cover");
  TestWindowThread windowThread;
  WindowCommands commands(s.form, windowThread);
  Ended ended;
  commands.install(ended.callback());
  commands.close();
  // Well inside the install: the Close button shows its disabled look.
  ASSERT_TRUE(windowThread.pumpUntil([&] { return s.window.visible(Ctl::bnCloseDisable); }));
  commands.close();
  commands.install(ended.callback());  // a second click cannot start a second install
  EXPECT_FALSE(s.form.closeRequested());

  ASSERT_TRUE(windowThread.pumpUntil([&] { return ended.count > 0; }));
  EXPECT_FALSE(s.form.closeRequested());
  EXPECT_TRUE(s.fs.fileExists(s.form.sourceZip));
  EXPECT_EQ(ended.count, 1);
  EXPECT_EQ(s.memoCount(u"SET ACTIVE na klawiszu INSTALL"), 1);
  EXPECT_EQ(installtest::readItems(s.fs, s.file(u"dodatki.mdb")), kPackage);

  s.form.log_level = app::IMPORTANT;  // Close cleans up only at the normal level
  commands.close();
  EXPECT_TRUE(s.form.closeRequested());
  EXPECT_FALSE(s.fs.directoryExists(s.form.tmpDir));  // its files deleted, then the folder
}

TEST(WindowCommands, AnErrorOfTheWindowReachesTheInstallAndItsEndOnTheWindowThread) {
  Scenario s;
  s.makePackage(kPackage);
  TestWindowThread windowThread;
  // The view fails to show the gauge: the click gets the error where it made the change.
  std::thread::id failedOn;
  s.window.onChange = [&](Change what, Ctl c) {
    if (what == Change::Control && c == Ctl::gauge) {
      failedOn = std::this_thread::get_id();
      throw text::Error(u"Brak miejsca na pasek postępu");
    }
  };
  WindowCommands commands(s.form, windowThread);
  Ended ended;
  commands.install(ended.callback());
  ASSERT_TRUE(windowThread.pumpUntil([&] { return ended.count > 0; }));
  EXPECT_EQ(failedOn, std::this_thread::get_id());
  ASSERT_TRUE(ended.error);
  try {
    std::rethrow_exception(ended.error);
  } catch (const text::Error& e) {
    EXPECT_EQ(e.message(), u"Brak miejsca na pasek postępu");
  }
  EXPECT_FALSE(commands.installing());
  EXPECT_FALSE(s.has(u"tekstury\\a.jpg"));  // the click stopped before it unpacked anything
}

TEST(WindowCommands, ChangesMadeOnTheWindowThreadItselfAreMadeAtOnce) {
  Scenario s;
  s.form.log_level = app::IMPORTANT;
  TestWindowThread windowThread;  // never pumped: a change sent to it would wait forever
  WindowCommands commands(s.form, windowThread);
  s.form.bnCloseEnter();
  EXPECT_TRUE(s.window.visible(Ctl::bnCloseHover));
  s.form.info(app::IMPORTANT, u"Brak pakietu do instalacji !");
  EXPECT_EQ(s.window.infoLabel(), u"Brak pakietu do instalacji !");
  commands.close();
  EXPECT_TRUE(s.form.closeRequested());
}

}  // namespace
