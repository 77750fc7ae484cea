/* The least a module can do: find its folder, read the exchange file, write
 * a fixed record to a temporary file beside it, fsync and rename it over the
 * exchange file. bench/start_to_record.py --reference times the modules
 * against it. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(void) {
  static const char record[] =
      "\"Q\",\"a\",\"b\",\"c\",\"\",\"1\",\"100\",\"non\",\"oeuvres.exe\"\r\n";
  char folder[4096];
  ssize_t length = readlink("/proc/self/exe", folder, sizeof folder - 1);
  if (length <= 0) return 1;
  folder[length] = '\0';
  *strrchr(folder, '/') = '\0';
  char exchange[4200];
  char temporary[4200];
  snprintf(exchange, sizeof exchange, "%s/question.qzd", folder);
  snprintf(temporary, sizeof temporary, "%s/.question.qzd.XXXXXX", folder);
  int in = open(exchange, O_RDONLY);
  char buffer[4096];
  if (in < 0 || read(in, buffer, sizeof buffer) < 0) return 1;
  close(in);
  int out = mkstemp(temporary);
  if (out < 0 || write(out, record, sizeof record - 1) != (ssize_t)(sizeof record - 1) ||
      fsync(out) != 0 || close(out) != 0 || rename(temporary, exchange) != 0) {
    return 1;
  }
  return 0;
}
