#include "EventTap.h"

#include "Log.h"

#include <pthread.h>

namespace rimglider {

using namespace broker;
using GestureEngineKit::EngineInput;

namespace {

const Log& tapLog()
{
    static const Log* instance = new Log("eventTap");
    return *instance;
}

} // namespace

// One reader thread with its connection. start() replaces a reader whose broker went away
// by a fresh one, as a fresh tap replaces a disabled one.
struct EventTap::Reader {
    std::mutex lock; // connection (replaced, interrupted) and stopping
    std::optional<BrokerConnection> connection;
    bool stopping = false;
    std::condition_variable wake;
    std::thread thread;

    void stop()
    {
        {
            std::lock_guard guard(lock);
            stopping = true;
            if (connection) connection->interrupt();
        }
        wake.notify_all();
        if (thread.joinable()) thread.join();
    }
};

EventTap& EventTap::shared()
{
    static EventTap* instance = new EventTap(GesturePipeline::shared(), ClickGuard::shared(), Options{});
    return *instance;
}

EventTap::EventTap(GesturePipeline& pipeline, ClickGuard& clickGuard, Options options)
    : pipeline_(pipeline), clickGuard_(clickGuard), options_(std::move(options))
{}

EventTap::~EventTap()
{
    stopReader();
}

std::optional<BrokerConnection> EventTap::connect(const Options& options, bool* refused)
{
    auto opened = BrokerConnection::open(options.socketPath, options.answerTimeout);
    if (const auto* failure = std::get_if<BrokerConnection::Failure>(&opened)) {
        if (refused) *refused = failure->kind == BrokerConnection::Failure::Kind::refused;
        return std::nullopt;
    }
    auto& connection = std::get<BrokerConnection>(opened);
    if (!connection.send(SubscribeKeys{})) return std::nullopt;
    return std::move(connection);
}

bool EventTap::start()
{
    if (isRunning()) return true;
    auto connection = connect(options_);
    if (!connection) {
        tapLog().error("Event tap could not be created (Input access not granted?)");
        return false;
    }
    stopReader(); // a reader left from a lost broker, or a suspended one
    auto reader = std::make_unique<Reader>();
    reader->connection = std::move(connection);
    Reader& started = *reader;
    {
        std::lock_guard guard(lock_);
        running_ = true;
        reader_ = std::move(reader);
    }
    started.thread = std::thread([this, &started] { run(started); });
    tapLog().info("Event tap running");
    return true;
}

void EventTap::stopReader()
{
    std::unique_ptr<Reader> reader;
    {
        std::lock_guard guard(lock_);
        reader = std::move(reader_);
        running_ = false;
    }
    held_.store(0, std::memory_order_relaxed);
    if (reader) reader->stop();
}

bool EventTap::isRunning() const
{
    std::lock_guard guard(lock_);
    return running_;
}

void EventTap::setRunning(const Reader& reader, bool running)
{
    std::lock_guard guard(lock_);
    if (reader_.get() != &reader) return; // a replaced reader no longer speaks for the tap
    running_ = running;
    // A disabled tap hears no release: a modifier let go meanwhile must not stay held.
    if (!running) held_.store(0, std::memory_order_relaxed);
}

void EventTap::run(Reader& reader)
{
    pthread_setname_np(pthread_self(), threadLabel.substr(0, 15).c_str());
    for (;;) {
        BrokerMessage message;
        if (reader.connection->receive(message) == BrokerConnection::Received::message) {
            const Verdict verdict = handle(message.message, reader);
            // The broker has passed the event on already, or swallowed it itself in exclusive
            // mode: the verdict only keeps the guard's own count and press/release pairing.
            (void)verdict;
            continue;
        }
        // The broker went away: the tap is disabled until it is back.
        setRunning(reader, false);
        {
            std::unique_lock guard(reader.lock);
            reader.connection.reset();
        }
        for (bool refused = false;;) {
            {
                std::unique_lock guard(reader.lock);
                const auto interval = refused ? options_.refusedInterval : options_.reconnectInterval;
                if (reader.wake.wait_for(guard, interval, [&] { return reader.stopping; })) return;
            }
            auto connection = connect(options_, &refused);
            if (!connection) continue;
            std::lock_guard guard(reader.lock);
            if (reader.stopping) return;
            reader.connection = std::move(connection);
            break;
        }
        tapLog().info("Event tap running");
        setRunning(reader, true);
    }
}

EventTap::Verdict EventTap::handle(const Message& message, const Reader& reader)
{
    if (const auto* key = std::get_if<KeyDown>(&message)) {
        pipeline_.submit(EngineInput::keyDown(key->time.toSeconds())); // which key is never known
    } else if (const auto* modifiers = std::get_if<Modifiers>(&message)) {
        held_.store(modifiers->modifiers.rawValue(), std::memory_order_relaxed);
        pipeline_.submit(EngineInput::modifiers(modifiers->modifiers, modifiers->time.toSeconds()));
    } else if (const auto* button = std::get_if<Button>(&message)) {
        const double time = button->time.toSeconds();
        if (button->down) {
            pipeline_.submit(EngineInput::mouseDown(time)); // every click, swallowed or not
            return clickGuard_.press(button->button, time) == ClickGuard::Decision::swallow ? Verdict::drop
                                                                                            : Verdict::pass;
        }
        return clickGuard_.release(button->button) == ClickGuard::Decision::swallow ? Verdict::drop : Verdict::pass;
    } else if (std::holds_alternative<Suspended>(message)) {
        setRunning(reader, false); // another user has the seat: nothing arrives until RESUMED
    } else if (std::holds_alternative<Resumed>(message)) {
        setRunning(reader, true);
    }
    return Verdict::pass;
}

} // namespace rimglider
