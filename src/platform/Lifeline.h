#pragma once

#include <memory>
#include <mutex>
#include <shared_mutex>

// Lets work that finishes on another thread call back into an object that
// may have ended by then. The object keeps a Lifeline and cuts it first
// thing in its destructor; the work keeps a Hold and calls back only through
// it. Cutting waits for a call running through the line and lets none
// through afterwards, so a call either runs whole on a live object or not
// at all.
//
// It is for workers their owner cannot wait for, such as a print job that a
// frozen spooler holds: the object goes at once, and the worker, when it
// finally answers, learns that nobody listens any more. Workers an object
// can stop promptly belong in its WorkerSet instead.
class Lifeline final
{
    struct Line
    {
        std::shared_mutex mutex;
        bool cut = false;
    };

public:
    class Hold final
    {
    public:
        Hold() = default;

        // Runs `call` while the object lives; false (and nothing runs) once
        // the line is cut. Never call it on the thread that cuts the line.
        template <typename Call> bool Run(Call &&call) const
        {
            if (!m_line)
                return false;
            const std::shared_lock lock(m_line->mutex);
            if (m_line->cut)
                return false;
            call();
            return true;
        }

    private:
        friend class Lifeline;
        explicit Hold(std::shared_ptr<Line> line)
            : m_line(std::move(line))
        {
        }
        std::shared_ptr<Line> m_line;
    };

    Lifeline() = default;
    ~Lifeline() { Cut(); }
    Lifeline(const Lifeline &) = delete;
    Lifeline &operator=(const Lifeline &) = delete;

    Hold Holder() const { return Hold(m_line); }

    // Waits for a call running through the line to end; no call runs after.
    void Cut()
    {
        const std::unique_lock lock(m_line->mutex);
        m_line->cut = true;
    }

private:
    const std::shared_ptr<Line> m_line = std::make_shared<Line>();
};
