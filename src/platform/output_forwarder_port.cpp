// The output port behind the forwarder. Kept apart so programs that never open a port (the
// record tests) do not need the serial code.
#include "platform/output_forwarder.h"
#include "platform/serial_port.h"

namespace tm47 {

void OutputForwarder::Start(const SerialPort& port) {
    SerialPort writer = port;
    SerialPort aborter = port;
    Start([writer](const uint8_t* data, std::size_t size) { return writer.Write(data, size); },
          [aborter]() { aborter.PurgeTx(); });
}

} // namespace tm47
