#pragma once

#include <mutex>
#include <string>
#include <vector>

// Where an engine hands a message box text. Engines run on worker threads and never touch the
// user interface; the run shows what was posted on the user-interface thread.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Post(const std::string& text) = 0;  // any thread
};

// The run's sink: keeps the texts until the user-interface thread takes them.
class MessageQueue final : public MessageSink {
public:
    void Post(const std::string& text) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts.push_back(text);
    }
    // Texts posted since the last call, oldest first.
    std::vector<std::string> TakeAll()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::string> texts;
        texts.swap(m_texts);
        return texts;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
};
