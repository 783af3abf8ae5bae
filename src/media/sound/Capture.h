#pragma once
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

// Recording from the default microphone through SDL's audio capture: 16-bit mono at 22,050 Hz, the
// format the program's own recordings are kept in. The samples and the level of the last buffer
// may be read while recording.
class Capture
{
public:
    static constexpr int kRate = 22050;
    static constexpr int kMaxSeconds = 60;  // a forgotten recording stops here

    Capture() = default;
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // Opens the default capture device and starts; false with a German message when no microphone
    // can be opened.
    bool start(QString* error);
    void stop();
    bool running() const { return m_device != 0; }
    // Peak of the newest buffer, 0..1.
    float level() const { return m_level.load(); }
    std::vector<std::int16_t> samples() const;
    double seconds() const;

private:
    static void callback(void* self, std::uint8_t* stream, int len);

    std::uint32_t m_device = 0;
    bool m_subsystem = false;
    mutable std::mutex m_mutex;
    std::vector<std::int16_t> m_samples;
    std::atomic<float> m_level{0.0f};
};
