#include "study/row_stream.hpp"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace study {
namespace {

using textio::TextBuffer;

// A block's text, waiting in its slot for the writer.
struct Slot {
    std::int64_t block = -1;  // the block it holds, or -1 while free
    bool ready = false;
    CheckTally checks;
    TextBuffer text;
};

}  // namespace

StreamResult write_rows(const RowFormat& format, const Study& study, textio::OutputUnit& out, unsigned jobs,
                        const std::function<void(std::int64_t done)>& progress) {
    const std::int64_t rows = study.rows();
    const std::int64_t blocks = (rows + kBlockRows - 1) / kBlockRows;
    auto rows_of = [&](std::int64_t b) { return std::min(kBlockRows, rows - b * kBlockRows); };
    StreamResult result;
    TextBuffer text;
    format.begin(text);
    out.records(text.view());

    if (jobs <= 1 || blocks <= 1) {
        for (std::int64_t b = 0; b < blocks; ++b) {
            text.clear();
            format.rows(text, b * kBlockRows, rows_of(b), result.checks);
            out.records(text.view());
            result.rows += rows_of(b);
            if (progress) progress(result.rows);
        }
    } else {
        // Block b goes to slot b % slots once the writer has taken block
        // b - slots from it; the writer takes the blocks in order.
        const std::size_t threads = std::min<std::int64_t>(jobs, blocks);
        std::vector<Slot> slots(2 * threads + 1);
        std::mutex m;
        std::condition_variable slot_free, block_ready;
        std::int64_t next = 0;     // the next block to start
        std::int64_t written = 0;  // blocks written
        const auto n = static_cast<std::int64_t>(slots.size());
        bool stop = false;
        std::exception_ptr worker_error;

        auto work = [&] {
            for (;;) {
                std::unique_lock lock(m);
                if (stop || next >= blocks) return;
                const std::int64_t b = next++;
                Slot& s = slots[static_cast<std::size_t>(b) % slots.size()];
                // Its slot is free once block b - n is written (waiting for
                // the slot alone could let block b + n take it first).
                slot_free.wait(lock, [&] { return stop || written > b - n; });
                if (stop) return;
                s.block = b;
                lock.unlock();
                CheckTally checks;
                try {
                    s.text.clear();
                    format.rows(s.text, b * kBlockRows, rows_of(b), checks);
                } catch (...) {
                    lock.lock();
                    if (!worker_error) worker_error = std::current_exception();
                    stop = true;
                    block_ready.notify_all();
                    slot_free.notify_all();
                    return;
                }
                lock.lock();
                s.checks = checks;
                s.ready = true;
                block_ready.notify_all();
            }
        };
        std::vector<std::thread> pool;
        auto halt = [&] {
            {
                std::lock_guard lock(m);
                stop = true;
            }
            slot_free.notify_all();
            for (std::thread& t : pool) t.join();
            pool.clear();
        };
        try {
            for (std::size_t i = 0; i < threads; ++i) pool.emplace_back(work);
            for (std::int64_t b = 0; b < blocks; ++b) {
                Slot& s = slots[static_cast<std::size_t>(b) % slots.size()];
                {
                    std::unique_lock lock(m);
                    block_ready.wait(lock, [&] { return worker_error || (s.block == b && s.ready); });
                    if (worker_error && !(s.block == b && s.ready)) std::rethrow_exception(worker_error);
                }
                // The slot is the writer's until it is marked free.
                out.records(s.text.view());
                result.checks.add(s.checks);
                result.rows += rows_of(b);
                {
                    std::lock_guard lock(m);
                    s.block = -1;
                    s.ready = false;
                    ++written;
                }
                slot_free.notify_all();
                if (progress) progress(result.rows);
            }
        } catch (...) {
            halt();
            throw;
        }
        halt();
    }
    result.failed = result.checks.failed;
    text.clear();
    format.end(text, result.checks);
    out.records(text.view());
    out.flush();
    return result;
}

}  // namespace study
