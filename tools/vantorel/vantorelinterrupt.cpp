#include "vantorelinterrupt.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <csignal>

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void on_interrupt(int)
{
    g_interrupted = 1;
}

} // namespace

VantorelInterrupt::VantorelInterrupt(bool terminate)
    : m_terminate(terminate)
{
    g_interrupted = 0;
    m_old_int = std::signal(SIGINT, on_interrupt);
    if (m_terminate)
        m_old_term = std::signal(SIGTERM, on_interrupt);
}

VantorelInterrupt::~VantorelInterrupt()
{
    std::signal(SIGINT, m_old_int);
    if (m_terminate)
        std::signal(SIGTERM, m_old_term);
}

bool VantorelInterrupt::interrupted()
{
    return g_interrupted != 0;
}

void VantorelInterrupt::pause(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!g_interrupted && clock.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(std::min<qint64>(50, ms - clock.elapsed()), &loop, &QEventLoop::quit);
        loop.exec();
    }
}
