#include "desk/DeskJob.h"

#include <exception>

#include "framework/Handle.h"

namespace {

struct Job {
    HWND hNotify;
    UINT nMessage;
    std::function<DeskJobResult()> run;
};

DWORD WINAPI JobThread(void* pParam) {
    const std::unique_ptr<Job> job(static_cast<Job*>(pParam));
    auto result = std::make_unique<DeskJobResult>(DeskJobResult{false, L"The job stopped: out of memory"});
    try {
        *result = job->run();
    } catch (const std::exception&) {
    }
    // a window already closed never takes it: it is freed here then
    if (::PostMessageW(job->hNotify, job->nMessage, 0, reinterpret_cast<LPARAM>(result.get())))
        result.release();
    return 0;
}

} // namespace

bool StartDeskJob(HWND hNotify, UINT nMessage, std::function<DeskJobResult()> job) {
    auto pJob = std::make_unique<Job>(Job{hNotify, nMessage, std::move(job)});
    const CHandle thread(::CreateThread(nullptr, 0, JobThread, pJob.get(), 0, nullptr));
    if (!thread)
        return false;
    pJob.release(); // the thread owns it now
    return true;
}

std::unique_ptr<DeskJobResult> TakeDeskJobResult(LPARAM lParam) {
    return std::unique_ptr<DeskJobResult>(reinterpret_cast<DeskJobResult*>(lParam));
}
