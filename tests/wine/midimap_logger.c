/* Stands in for Wine's MIDI mapper in the tests: a MIDI-out driver, loaded
 * as midimap.dll, that accepts every message a player sends to MIDI_MAPPER
 * and logs each one, with the wall-clock time it arrived, to the file named
 * by the environment variable QZ_MIDI_LOG:
 *
 *   <unix seconds> <message> <first parameter, hex>
 *
 * where message is "data" (a short message: status in the low byte), "long",
 * "volume", "reset", "open" or "close". These machines have no MIDI device
 * of their own. */
#include <windows.h>
#include <mmddk.h>
#include <stdio.h>

static DWORD volume = 0xFFFFFFFF;

static void log_message(const char* message, DWORD_PTR parameter) {
  WCHAR path[MAX_PATH];
  if (GetEnvironmentVariableW(L"QZ_MIDI_LOG", path, MAX_PATH) == 0) return;
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  ULARGE_INTEGER ticks = {{now.dwLowDateTime, now.dwHighDateTime}};
  const double seconds = (double)(ticks.QuadPart - 116444736000000000ULL) / 1e7;
  FILE* log = _wfopen(path, L"a");
  if (log == NULL) return;
  fprintf(log, "%.6f %s %08lx\n", seconds, message, (unsigned long)parameter);
  fclose(log);
}

LRESULT WINAPI DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM first, LPARAM second) {
  switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_OPEN:
    case DRV_CLOSE:
    case DRV_ENABLE:
    case DRV_DISABLE:
      return 1;
    default:
      return DefDriverProc(id, driver, message, first, second);
  }
}

DWORD WINAPI modMessage(UINT device, UINT message, DWORD_PTR user, DWORD_PTR first,
                        DWORD_PTR second) {
  (void)device;
  (void)user;
  switch (message) {
    case MODM_GETNUMDEVS:
      return 1;
    case MODM_GETDEVCAPS: {
      MIDIOUTCAPSW caps = {0};
      caps.wMid = 0xFF;
      caps.wPid = 1;
      lstrcpynW(caps.szPname, L"qz test MIDI logger", MAXPNAMELEN);
      caps.wTechnology = MOD_MAPPER;
      caps.wVoices = 16;
      caps.wNotes = 128;
      caps.wChannelMask = 0xFFFF;
      caps.dwSupport = MIDICAPS_VOLUME | MIDICAPS_LRVOLUME;
      memcpy((void*)first, &caps, min(second, sizeof caps));
      return MMSYSERR_NOERROR;
    }
    case MODM_OPEN:
      log_message("open", 0);
      return MMSYSERR_NOERROR;
    case MODM_CLOSE:
      log_message("close", 0);
      return MMSYSERR_NOERROR;
    case MODM_DATA:
      log_message("data", first);
      return MMSYSERR_NOERROR;
    case MODM_LONGDATA:
      log_message("long", ((MIDIHDR*)first)->dwBufferLength);
      ((MIDIHDR*)first)->dwFlags |= MHDR_DONE;
      return MMSYSERR_NOERROR;
    case MODM_PREPARE:
      ((MIDIHDR*)first)->dwFlags |= MHDR_PREPARED;
      return MMSYSERR_NOERROR;
    case MODM_UNPREPARE:
      ((MIDIHDR*)first)->dwFlags &= ~MHDR_PREPARED;
      return MMSYSERR_NOERROR;
    case MODM_RESET:
      log_message("reset", 0);
      return MMSYSERR_NOERROR;
    case MODM_SETVOLUME:
      volume = (DWORD)first;
      log_message("volume", first);
      return MMSYSERR_NOERROR;
    case MODM_GETVOLUME:
      *(DWORD*)first = volume;
      return MMSYSERR_NOERROR;
    default:
      return MMSYSERR_NOTSUPPORTED;
  }
}
