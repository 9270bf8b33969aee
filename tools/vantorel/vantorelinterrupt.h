#pragma once

// Catches an interrupt (Ctrl+C, and with terminate also SIGTERM) for as long
// as it lives, so that a long command ends its loop and reports what it has
// instead of dying; the handlers before it come back when it goes.
class VantorelInterrupt
{
public:
    explicit VantorelInterrupt(bool terminate = false);
    ~VantorelInterrupt();

    VantorelInterrupt(const VantorelInterrupt &) = delete;
    VantorelInterrupt &operator=(const VantorelInterrupt &) = delete;

    static bool interrupted();
    // Waits in short steps so that an interrupt ends the wait soon.
    static void pause(int ms);

private:
    using Handler = void (*)(int);
    Handler m_old_int;
    Handler m_old_term = nullptr;
    bool m_terminate;
};
