#include "platform/win32/winmm_audio.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/win32/wide.hpp"
#include "resource_format/sound.hpp"

namespace qz::platform {
namespace {

// Each device has its own error texts (MIDIERR_..., WAVERR_...), and both
// share the MMSYSERR_... ones.
using ErrorText = MMRESULT(WINAPI*)(MMRESULT, LPWSTR, UINT);

std::runtime_error device_error(const std::string& call, MMRESULT result, ErrorText error_text) {
  std::wstring text(MAXERRORLENGTH, L'\0');
  std::string cause = "error " + std::to_string(result);
  if (error_text(result, text.data(), MAXERRORLENGTH) == MMSYSERR_NOERROR) {
    text.resize(std::wcslen(text.c_str()));
    cause = to_utf8(text);
  }
  return std::runtime_error(call + ": " + cause);
}

void check(const std::string& call, MMRESULT result, ErrorText error_text) {
  if (result != MMSYSERR_NOERROR) {
    throw device_error(call, result, error_text);
  }
}

// MIDIEVENT records without parameters: delta time, stream id, event.
std::vector<DWORD> stream_events(const MidiSequence& sequence) {
  std::vector<DWORD> records;
  std::uint32_t previous_tick = 0;
  for (const MidiEvent& event : sequence.events) {
    const DWORD type = event.kind == MidiEvent::Kind::tempo ? MEVT_TEMPO : MEVT_SHORTMSG;
    records.push_back(event.tick - previous_tick);
    records.push_back(0);
    records.push_back((type << 24U) | (event.value & 0xFFFFFFU));
    previous_tick = event.tick;
  }
  return records;
}

// A device volume word (both channels) for a gain in hundredths of a decibel
// over `reference`, capped at full volume.
DWORD volume_word(int hundredths_of_db, int reference) {
  const double level = std::min(1.0, std::pow(10.0, (hundredths_of_db - reference) / 2000.0));
  const auto channel = static_cast<DWORD>(std::lround(level * 0xFFFF));
  return channel | (channel << 16U);
}

constexpr int kMidiReference = 1200;  // 12 dB below full volume
constexpr int kWaveReference = 0;     // full volume

}  // namespace

WinmmAudio::~WinmmAudio() {
  // A device still open when the process ends can bring it down: stop,
  // unprepare and close both first.
  if (midi_ != nullptr) {
    stop_midi();
    ::midiStreamClose(midi_);
  }
  if (wave_ != nullptr) {
    stop_wave();
    ::waveOutClose(wave_);
  }
}

void WinmmAudio::start(Sound::Kind sounds) {
  if (sounds == Sound::Kind::midi) {
    open_midi();
  } else {
    open_wave();
  }
}

void WinmmAudio::open_midi() {
  if (midi_ != nullptr) {
    return;
  }
  UINT device = MIDI_MAPPER;
  check("no MIDI output: midiStreamOpen", ::midiStreamOpen(&midi_, &device, 1, 0, 0, CALLBACK_NULL),
        ::midiOutGetErrorTextW);
}

void WinmmAudio::open_wave() {
  if (wave_ != nullptr) {
    return;
  }
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = kSampleRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = kSampleRate * 4;
  check("no wave output: waveOutOpen",
        ::waveOutOpen(&wave_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), ::waveOutGetErrorTextW);
}

void WinmmAudio::load_segment(std::string bytes) {
  Sound sound = decode_sound(std::move(bytes));
  Segment segment;
  segment.is_midi = sound.kind == Sound::Kind::midi;
  segment.ticks_per_quarter = sound.midi.ticks_per_quarter;
  segment.midi_events = stream_events(sound.midi);
  segment.wave_frames = std::move(sound.stereo_frames);
  if (segment.is_midi) {
    open_midi();
  } else {
    open_wave();
  }
  loaded_ = std::move(segment);
}

void WinmmAudio::play_segment() {
  if (loaded_.midi_events.empty() && loaded_.wave_frames.empty()) {
    throw std::logic_error("no segment loaded");
  }
  if (loaded_.is_midi) {
    stop_midi();
    playing_.midi_events = loaded_.midi_events;
    MIDIPROPTIMEDIV division{sizeof(MIDIPROPTIMEDIV),
                             static_cast<DWORD>(loaded_.ticks_per_quarter)};
    check("midiStreamProperty",
          ::midiStreamProperty(midi_, reinterpret_cast<LPBYTE>(&division),  // NOLINT: the API's way
                               MIDIPROP_SET | MIDIPROP_TIMEDIV),
          ::midiOutGetErrorTextW);
    midi_header_ = MIDIHDR{};
    midi_header_.lpData = reinterpret_cast<LPSTR>(playing_.midi_events.data());  // NOLINT
    midi_header_.dwBufferLength = midi_header_.dwBytesRecorded =
        static_cast<DWORD>(playing_.midi_events.size() * sizeof(DWORD));
    auto* out = reinterpret_cast<HMIDIOUT>(midi_);  // NOLINT: a stream is an output
    check("midiOutPrepareHeader", ::midiOutPrepareHeader(out, &midi_header_, sizeof midi_header_),
          ::midiOutGetErrorTextW);
    check("midiStreamOut", ::midiStreamOut(midi_, &midi_header_, sizeof midi_header_),
          ::midiOutGetErrorTextW);
    check("midiStreamRestart", ::midiStreamRestart(midi_), ::midiOutGetErrorTextW);
  } else {
    stop_wave();
    playing_.wave_frames = loaded_.wave_frames;
    wave_header_ = WAVEHDR{};
    wave_header_.lpData = reinterpret_cast<LPSTR>(playing_.wave_frames.data());  // NOLINT
    wave_header_.dwBufferLength =
        static_cast<DWORD>(playing_.wave_frames.size() * sizeof(std::int16_t));
    check("waveOutPrepareHeader", ::waveOutPrepareHeader(wave_, &wave_header_, sizeof wave_header_),
          ::waveOutGetErrorTextW);
    check("waveOutWrite", ::waveOutWrite(wave_, &wave_header_, sizeof wave_header_),
          ::waveOutGetErrorTextW);
  }
}

void WinmmAudio::set_master_volume(int hundredths_of_db) {
  // A device without a volume of its own plays at its level: the value is
  // then ignored, as the modules allow.
  if (midi_ != nullptr) {
    auto* out = reinterpret_cast<HMIDIOUT>(midi_);  // NOLINT: a stream is an output
    const MMRESULT midi = ::midiOutSetVolume(out, volume_word(hundredths_of_db, kMidiReference));
    if (midi != MMSYSERR_NOERROR && midi != MMSYSERR_NOTSUPPORTED) {
      throw device_error("midiOutSetVolume", midi, ::midiOutGetErrorTextW);
    }
  }
  if (wave_ != nullptr) {
    const MMRESULT wave = ::waveOutSetVolume(wave_, volume_word(hundredths_of_db, kWaveReference));
    if (wave != MMSYSERR_NOERROR && wave != MMSYSERR_NOTSUPPORTED) {
      throw device_error("waveOutSetVolume", wave, ::waveOutGetErrorTextW);
    }
  }
}

// Stop what a device plays, if anything: notes off, buffer given back.
void WinmmAudio::stop_midi() {
  if ((midi_header_.dwFlags & MHDR_PREPARED) == 0) {
    return;
  }
  ::midiStreamStop(midi_);
  auto* out = reinterpret_cast<HMIDIOUT>(midi_);  // NOLINT: a stream is an output
  ::midiOutReset(out);
  ::midiOutUnprepareHeader(out, &midi_header_, sizeof midi_header_);
}

void WinmmAudio::stop_wave() {
  if ((wave_header_.dwFlags & WHDR_PREPARED) == 0) {
    return;
  }
  ::waveOutReset(wave_);
  ::waveOutUnprepareHeader(wave_, &wave_header_, sizeof wave_header_);
}

}  // namespace qz::platform
