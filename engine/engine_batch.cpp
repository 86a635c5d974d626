#include "engine_batch.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

#include "model_error.h"

namespace zandrel {

namespace {

// The program's runs under way, and those that wait for one: the most wanted first, then the
// earliest.
class EngineSlots {
  public:
    static EngineSlots& Shared() {
        static EngineSlots slots;
        return slots;
    }

    using Ticket = std::pair<int, unsigned long long>;

    // A place in the line, kept until Take or Leave gives it up.
    Ticket Join(int priority) {
        const std::lock_guard lock(mutex_);
        const Ticket ticket{-priority, next_++};
        waiting_.insert(ticket);
        return ticket;
    }

    void Leave(const Ticket& ticket) {
        {
            const std::lock_guard lock(mutex_);
            waiting_.erase(ticket);
        }
        changed_.notify_all();
    }

    // Waits with the ticket until a run may start, or `stop` is stopped: false then.
    bool Take(const Ticket& ticket, const EngineStop& stop) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] {
            return stop.Stopped() || (free_ > 0 && *waiting_.begin() == ticket);
        });
        waiting_.erase(ticket);
        changed_.notify_all();  // the next in line may now start
        if (stop.Stopped()) {
            return false;
        }
        --free_;
        return true;
    }

    void Give() {
        {
            const std::lock_guard lock(mutex_);
            ++free_;
        }
        changed_.notify_all();
    }

    // Lets the runs that wait look at their stops again.
    void Wake() {
        {
            const std::lock_guard lock(mutex_);
        }
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<Ticket> waiting_;
    int free_ = EngineRunsAtOnce();
    unsigned long long next_ = 0;
};

ModelError StoppedError() {
    return ModelError(ModelErrorKind::EngineFailed, "the nec2c run was stopped");
}

NecOutput RunInTurn(const std::string& deck, const EngineSlots::Ticket& ticket,
                    const EngineLimits& limits, const EngineStop& stop) {
    if (!EngineSlots::Shared().Take(ticket, stop)) {
        throw StoppedError();
    }
    std::string output;
    {
        struct GiveBack {
            ~GiveBack() { EngineSlots::Shared().Give(); }
        } giveBack;
        output = RunDeckForItsOutput(deck, limits, &stop);
    }
    // Read while the next run has the core: reading six models' patterns held each core idle
    // for a fiftieth of a second before the next could start.
    return ParseNecOutput(output);
}

// Runs each deck in turn; the first with `reserved`, a place taken in the line beforehand, when
// there is one, so that queued work keeps the order it was queued in.
DeckEvaluator EvaluatorOf(std::shared_ptr<const EngineStop> stop, const EngineLimits& limits,
                          int priority,
                          std::shared_ptr<std::optional<EngineSlots::Ticket>> reserved = nullptr) {
    return [stop = std::move(stop), limits, priority, reserved](const std::string& deck) {
        std::optional<EngineSlots::Ticket> ticket;
        if (reserved) {
            ticket.swap(*reserved);
        }
        return RunInTurn(deck, ticket ? *ticket : EngineSlots::Shared().Join(priority), limits,
                         *stop);
    };
}

}  // namespace

DeckEvaluator Nec2cEvaluator(std::chrono::milliseconds limit,
                             std::shared_ptr<const EngineStop> stop) {
    return EvaluatorOf(stop ? std::move(stop) : std::make_shared<const EngineStop>(),
                       EngineLimits{limit}, 0);
}

int EngineRunsAtOnce() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

struct EngineBatch::State {
    mutable std::mutex Mutex;
    std::condition_variable Ended;
    std::shared_ptr<EngineStop> Stop = std::make_shared<EngineStop>();
    EngineLimits Limits;
    int Working = 0;
};

EngineBatch::EngineBatch(const EngineLimits& limits) : state_(std::make_shared<State>()) {
    state_->Limits = limits;
}

EngineBatch::~EngineBatch() { Cancel(); }

NecOutput EngineBatch::Run(const std::string& deck, int priority) const {
    return Evaluator(priority)(deck);
}

DeckEvaluator EngineBatch::Evaluator(int priority) const {
    const std::lock_guard lock(state_->Mutex);
    return EvaluatorOf(state_->Stop, state_->Limits, priority);
}

void EngineBatch::Queue(std::function<void(const DeckEvaluator&)> work, int priority) {
    std::shared_ptr<State> state = state_;
    const auto reserved = std::make_shared<std::optional<EngineSlots::Ticket>>(
        EngineSlots::Shared().Join(priority));
    DeckEvaluator evaluate;
    {
        const std::lock_guard lock(state->Mutex);
        evaluate = EvaluatorOf(state->Stop, state->Limits, priority, reserved);
        ++state->Working;
    }
    const auto ended = [state, reserved] {
        if (*reserved) {
            EngineSlots::Shared().Leave(**reserved);  // the work ran no deck
        }
        {
            const std::lock_guard lock(state->Mutex);
            --state->Working;
        }
        state->Ended.notify_all();
    };
    try {
        std::thread([work = std::move(work), evaluate = std::move(evaluate), ended] {
            try {
                work(evaluate);
            } catch (...) {
            }
            ended();
        }).detach();
    } catch (const std::system_error&) {
        ended();
        throw;
    }
}

void EngineBatch::Stop() {
    std::shared_ptr<EngineStop> stop;
    {
        const std::lock_guard lock(state_->Mutex);
        stop = state_->Stop;
    }
    stop->Stop();
    EngineSlots::Shared().Wake();
}

bool EngineBatch::Stopped() const {
    const std::lock_guard lock(state_->Mutex);
    return state_->Stop->Stopped();
}

void EngineBatch::Wait() {
    std::unique_lock lock(state_->Mutex);
    state_->Ended.wait(lock, [this] { return state_->Working == 0; });
}

void EngineBatch::Cancel() {
    Stop();
    Wait();
    const std::lock_guard lock(state_->Mutex);
    state_->Stop = std::make_shared<EngineStop>();
}

void EngineBatch::SetLimits(const EngineLimits& limits) {
    const std::lock_guard lock(state_->Mutex);
    state_->Limits = limits;
}

EngineLimits EngineBatch::Limits() const {
    const std::lock_guard lock(state_->Mutex);
    return state_->Limits;
}

}  // namespace zandrel
