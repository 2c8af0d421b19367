// A pseudo-terminal standing in for the device's serial port. The program
// opens the slave side as if it were the port; the simulator talks through
// the master Side (non-blocking). The slave is set to raw 8N1 at 19200 bit/s,
// and the simulator keeps a slave descriptor of its own open for its whole
// life, so the master never sees a hang-up when the program closes the port
// and opens it again. That descriptor is never read.
#pragma once

#include <string>

namespace brevant::sim {

class PseudoTerminal {
public:
    // Throws std::system_error when the pseudo-terminal cannot be set up.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace brevant::sim
