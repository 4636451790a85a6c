#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

#include "BatchRunControl.h"
#include "Messages.h"

class QObject;

// Carries a worker's notifications and messages onto the user-interface
// thread, where the start page (target) handles them. Posts are queued; a
// Send and a message wait until the user-interface thread has handled them,
// unless the sink is closed, which releases every waiting worker at once so
// that a closing wizard can wait for its worker without a deadlock.
//
// While it lives it is the installed message presenter: messages shown on
// the user-interface thread go straight to the presenter it replaced, those
// of a worker are shown from the user-interface thread, since windows may
// only be made there.
class CWzdRunSink : public CBatchSink, public CMessagePresenter
{
public:
    CWzdRunSink(QObject& target, std::function<void(const BatchNotice&)> handler);
    ~CWzdRunSink() override;
    CWzdRunSink(const CWzdRunSink&) = delete;
    CWzdRunSink& operator=(const CWzdRunSink&) = delete;

    void Post(const BatchNotice& notice) override;
    void Send(const BatchNotice& notice) override;

    void Show(int id, const std::string& text) override;
    bool Ask(int id, const std::string& text) override;

    // From now on nothing waits for the user-interface thread; what a worker
    // sends is dropped.
    void Close();
    // Accepts sends again, for the next run.
    void Open();

private:
    // Runs call on the user-interface thread and waits for it; false when
    // the sink is closed first.
    bool Call(const std::function<void()>& call);
    bool OnTargetThread() const;

    QObject& target;
    std::function<void(const BatchNotice&)> handler;
    CMessagePresenter& replaced;
    std::mutex lock;
    std::condition_variable handled;
    bool closed = false;
};
