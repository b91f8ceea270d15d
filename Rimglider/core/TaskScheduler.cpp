#include "TaskScheduler.h"

#include <QCoreApplication>
#include <QTimer>

namespace rimglider {

TaskScheduler mainThreadScheduler()
{
    return [](std::chrono::milliseconds delay, std::function<void()> task) {
        QTimer::singleShot(delay, QCoreApplication::instance(), std::move(task));
    };
}

} // namespace rimglider
