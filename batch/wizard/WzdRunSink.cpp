#include "WzdRunSink.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <memory>

CWzdRunSink::CWzdRunSink(QObject& target_, std::function<void(const BatchNotice&)> handler_)
    : target(target_), handler(std::move(handler_)), replaced(MessagePresenter())
{
    SetMessagePresenter(this);
}

CWzdRunSink::~CWzdRunSink()
{
    Close();
    // Hand the presenter back, unless another one has been installed since.
    if (&MessagePresenter() == this)
        SetMessagePresenter(&replaced == this ? nullptr : &replaced);
}

bool CWzdRunSink::OnTargetThread() const
{
    return QThread::currentThread() == target.thread();
}

void CWzdRunSink::Post(const BatchNotice& notice)
{
    // Queued on the target: a notice still pending when the target goes is
    // dropped with it.
    QMetaObject::invokeMethod(
        &target, [handler = handler, notice] { handler(notice); }, Qt::QueuedConnection);
}

void CWzdRunSink::Send(const BatchNotice& notice)
{
    if (OnTargetThread())
    {
        handler(notice);
        return;
    }
    Call([this, notice] { handler(notice); });
}

void CWzdRunSink::Show(int id, const std::string& text)
{
    if (OnTargetThread())
    {
        replaced.Show(id, text);
        return;
    }
    Call([this, id, text] { replaced.Show(id, text); });
}

bool CWzdRunSink::Ask(int id, const std::string& text)
{
    if (OnTargetThread())
        return replaced.Ask(id, text);
    bool answer = false;
    auto result = std::make_shared<bool>(false);
    if (Call([this, id, text, result] { *result = replaced.Ask(id, text); }))
        answer = *result;
    return answer;
}

bool CWzdRunSink::Call(const std::function<void()>& call)
{
    struct Pending
    {
        bool done = false;
    };
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard<std::mutex> guard(lock);
        if (closed)
            return false;
    }
    QMetaObject::invokeMethod(
        &target,
        [this, call, pending] {
            call();
            {
                std::lock_guard<std::mutex> guard(lock);
                pending->done = true;
            }
            handled.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> guard(lock);
    handled.wait(guard, [&] { return pending->done || closed; });
    return pending->done;
}

void CWzdRunSink::Close()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        closed = true;
    }
    handled.notify_all();
}

void CWzdRunSink::Open()
{
    std::lock_guard<std::mutex> guard(lock);
    closed = false;
}
