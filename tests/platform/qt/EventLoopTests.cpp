#include "platform/qt/EventLoop.h"
#include "support/CoreApplicationTest.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <string>
#include <thread>
#include <vector>

namespace tl {
namespace {

using EventLoopTest = test::CoreApplicationTest;

TEST_F(EventLoopTest, PostedWorkRunsLaterInPostingOrder)
{
    std::vector<int> ran;
    postToMainThread([&] { ran.push_back(1); });
    postToMainThread([&] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty());

    QCoreApplication::processEvents();
    EXPECT_EQ(ran, (std::vector<int> { 1, 2 }));
}

TEST_F(EventLoopTest, WorkPostedFromAnotherThreadRunsOnTheMainThread)
{
    QThread* ranOn = nullptr;
    std::thread worker([&] {
        postToMainThread([&] {
            ranOn = QThread::currentThread();
            QCoreApplication::quit();
        });
    });
    worker.join();
    QCoreApplication::exec();
    EXPECT_EQ(ranOn, application.thread());
}

TEST_F(EventLoopTest, UndoGroupClosesWhenTheEventIsProcessed)
{
    UndoManager undo { qtEventEndScheduler() };
    std::vector<std::string> undone;
    undo.registerUndo(nullptr, [&] { undone.push_back("first"); });
    undo.registerUndo(nullptr, [&] { undone.push_back("second"); });
    QCoreApplication::processEvents();
    undo.registerUndo(nullptr, [&] { undone.push_back("next event"); });
    QCoreApplication::processEvents();

    undo.undo();
    EXPECT_EQ(undone, std::vector<std::string> { "next event" });
    undo.undo();
    EXPECT_EQ(undone, (std::vector<std::string> { "next event", "second", "first" }));
}

} // namespace
} // namespace tl
