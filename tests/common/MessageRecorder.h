#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Messages.h"

// A presenter that keeps what it was shown, for the tests and benchmarks that
// look at messages below the windows. Installs itself while it lives.
class CMessageRecorder : public CMessagePresenter
{
public:
    CMessageRecorder() { SetMessagePresenter(this); }
    ~CMessageRecorder() override { SetMessagePresenter(nullptr); }
    CMessageRecorder(const CMessageRecorder&) = delete;
    CMessageRecorder& operator=(const CMessageRecorder&) = delete;

    void Show(int id, const std::string& text) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        shown.emplace_back(id, text);
    }

    // Records a question like a message and gives the answer set for it.
    bool Ask(int id, const std::string& text) override
    {
        Show(id, text);
        std::lock_guard<std::mutex> lock(mutex);
        return answer;
    }

    void SetAnswer(bool yes)
    {
        std::lock_guard<std::mutex> lock(mutex);
        answer = yes;
    }

    std::vector<std::pair<int, std::string>> Shown() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return shown;
    }

    std::vector<int> Ids() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<int> ids;
        for (const auto& m : shown)
            ids.push_back(m.first);
        return ids;
    }

    void Clear()
    {
        std::lock_guard<std::mutex> lock(mutex);
        shown.clear();
    }

private:
    mutable std::mutex mutex;
    std::vector<std::pair<int, std::string>> shown;
    bool answer = false;
};
