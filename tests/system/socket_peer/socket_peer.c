/* A peer on the host's own network stack for the socket layer's tests: it
 * listens on 127.0.0.1 only, writes its port to a file, and serves each
 * connection in a child of its own. The first message on a connection names
 * what the peer does with it. The peer lives for a bounded time and serves a
 * bounded number of connections; its children end with it.
 *
 *   socket_peer PORT_FILE SECONDS
 */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { kMaxConnections = 200, kMaxMessageBytes = 64 * 1024 * 1024, kChurnCycles = 100 };

static unsigned seconds_left;

static void put_length(unsigned char* out, uint32_t length) {
  for (int i = 0; i < 4; ++i) out[i] = (unsigned char)(length >> (8 * i));
}

/* The byte at position i of a message body: the same rule the test checks. */
static unsigned char pattern(uint32_t i, uint32_t seed) {
  return (unsigned char)((i * 131u + (i >> 9) + seed * 7u) & 0xFF);
}

static int write_all(int fd, const void* data, size_t size) {
  const unsigned char* bytes = data;
  while (size > 0) {
    const ssize_t sent = send(fd, bytes, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return -1;
    bytes += sent;
    size -= (size_t)sent;
  }
  return 0;
}

static int read_all(int fd, void* data, size_t size) {
  unsigned char* bytes = data;
  while (size > 0) {
    const ssize_t got = recv(fd, bytes, size, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return -1;
    bytes += got;
    size -= (size_t)got;
  }
  return 0;
}

/* Reads one framed message of at most limit bytes into a new block. */
static unsigned char* read_message(int fd, uint32_t limit, uint32_t* length) {
  unsigned char prefix[4];
  if (read_all(fd, prefix, 4) != 0) return NULL;
  *length = prefix[0] | prefix[1] << 8 | prefix[2] << 16 | (uint32_t)prefix[3] << 24;
  if (*length > limit) return NULL;
  unsigned char* body = malloc(*length + 1);
  if (!body || read_all(fd, body, *length) != 0) {
    free(body);
    return NULL;
  }
  body[*length] = 0;
  return body;
}

/* Waits until the test closes its end (or the time runs out). */
static void await_close(int fd) {
  char buffer[4096];
  struct pollfd entry = {fd, POLLIN, 0};
  while (poll(&entry, 1, 1000 * (int)seconds_left) > 0) {
    if (recv(fd, buffer, sizeof buffer, 0) <= 0) return;
  }
}

static void pause_briefly(void) {
  const struct timespec pause = {0, 1000 * 1000};
  nanosleep(&pause, NULL);
}

static void send_message(int fd, uint32_t length, uint32_t seed) {
  unsigned char* wire = malloc((size_t)length + 4);
  if (!wire) return;
  put_length(wire, length);
  for (uint32_t i = 0; i < length; ++i) wire[4 + i] = pattern(i, seed);
  write_all(fd, wire, (size_t)length + 4);
  free(wire);
}

/* 400,000 one-byte messages in one write, as fast as the stack takes them. */
static void serve_burst(int fd) {
  enum { kCount = 400000 };
  unsigned char* wire = malloc(kCount * 5);
  if (!wire) return;
  for (uint32_t i = 0; i < kCount; ++i) {
    put_length(wire + i * 5, 1);
    wire[i * 5 + 4] = pattern(i, 1);
  }
  write_all(fd, wire, kCount * 5);
  free(wire);
  await_close(fd);
}

/* Messages of 0 to 40 bytes, each byte of the wire in a segment of its own
 * for the first half, then in pieces of 1, 2, 3, 5 and 7 bytes, so every
 * prefix is split at every place. */
static void serve_split(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  unsigned char wire[64 * 48];
  size_t size = 0;
  for (uint32_t n = 0; n < 60; ++n) {
    const uint32_t length = (n * 7) % 41;
    put_length(wire + size, length);
    size += 4;
    for (uint32_t i = 0; i < length; ++i) wire[size++] = pattern(i, n);
  }
  static const size_t pieces[] = {1, 2, 3, 5, 7};
  size_t at = 0;
  for (int k = 0; at < size; ++k) {
    size_t piece = at < size / 2 ? 1 : pieces[k % 5];
    if (piece > size - at) piece = size - at;
    if (write_all(fd, wire + at, piece) != 0) return;
    at += piece;
    pause_briefly();
  }
  await_close(fd);
}

/* A prefix that announces a large message, a little of its body, then
 * nothing until the test sends something or gives up; then the end. */
static void serve_stall(int fd) {
  unsigned char wire[4 + 1000];
  put_length(wire, 60u * 1024 * 1024);
  for (uint32_t i = 0; i < 1000; ++i) wire[4 + i] = pattern(i, 9);
  write_all(fd, wire, sizeof wire);
  char byte;
  struct pollfd entry = {fd, POLLIN, 0};
  if (poll(&entry, 1, 1000 * (int)seconds_left) > 0) recv(fd, &byte, 1, 0);
}

/* A whole message, then half of another, then the end. */
static void serve_midclose(int fd) {
  send_message(fd, 5, 3);
  unsigned char wire[4 + 500];
  put_length(wire, 1000);
  memset(wire + 4, 0xAB, 500);
  write_all(fd, wire, sizeof wire);
}

/* A whole message, then a length the library refuses and bytes after it. */
static void serve_refused(int fd, uint32_t length) {
  send_message(fd, 7, 4);
  unsigned char wire[4 + 64];
  put_length(wire, length);
  memset(wire + 4, 0x55, 64);
  write_all(fd, wire, sizeof wire);
  await_close(fd);
}

/* Sends back every message as it came. */
static void serve_echo(int fd) {
  uint32_t length;
  unsigned char* body;
  while ((body = read_message(fd, 1 << 20, &length)) != NULL) {
    unsigned char prefix[4];
    put_length(prefix, length);
    const int failed = write_all(fd, prefix, 4) != 0 || write_all(fd, body, length) != 0;
    free(body);
    if (failed) return;
  }
}

/* Connects to the library's listening port again and again: each time one
 * message, then the end. */
static void serve_churn(int fd, int port) {
  int done = 0;
  for (int cycle = 0; cycle < kChurnCycles; ++cycle) {
    const int out = socket(AF_INET, SOCK_STREAM, 0);
    if (out < 0) break;
    struct sockaddr_in address = {0};
    address.sin_family = AF_INET;
    address.sin_port = htons((uint16_t)port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(out, (struct sockaddr*)&address, sizeof address) == 0) {
      send_message(out, 3, (uint32_t)cycle);
      ++done;
    }
    close(out);
  }
  char reply[32];
  const int length = snprintf(reply, sizeof reply, "%d", done);
  unsigned char prefix[4];
  put_length(prefix, (uint32_t)length);
  if (write_all(fd, prefix, 4) == 0) write_all(fd, reply, (size_t)length);
  await_close(fd);
}

static void serve(int fd) {
  struct timeval timeout = {30, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  uint32_t length;
  char* request = (char*)read_message(fd, 256, &length);
  if (!request) return;
  int port = 0;
  unsigned long long number = 0;
  if (strcmp(request, "burst") == 0) {
    serve_burst(fd);
  } else if (strcmp(request, "split") == 0) {
    serve_split(fd);
  } else if (sscanf(request, "message %llu", &number) == 1 && number <= kMaxMessageBytes) {
    send_message(fd, (uint32_t)number, 2);
    await_close(fd);
  } else if (sscanf(request, "refused %llu", &number) == 1 && number <= 0xFFFFFFFFull) {
    serve_refused(fd, (uint32_t)number);
  } else if (strcmp(request, "stall") == 0) {
    serve_stall(fd);
  } else if (strcmp(request, "midclose") == 0) {
    serve_midclose(fd);
  } else if (strcmp(request, "echo") == 0) {
    serve_echo(fd);
  } else if (sscanf(request, "churn %d", &port) == 1 && port > 0 && port < 65536) {
    serve_churn(fd, port);
  } else {
    fprintf(stderr, "socket_peer: unknown request \"%s\"\n", request);
  }
  free(request);
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: socket_peer PORT_FILE SECONDS\n");
    return 2;
  }
  seconds_left = (unsigned)atoi(argv[2]);
  if (seconds_left == 0 || seconds_left > 600) seconds_left = 300;
  signal(SIGCHLD, SIG_IGN);
  alarm(seconds_left);

  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  struct sockaddr_in address = {0};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (listener < 0 || bind(listener, (struct sockaddr*)&address, sizeof address) != 0 ||
      listen(listener, 64) != 0 || getsockname(listener, (struct sockaddr*)&address, &size) != 0) {
    perror("socket_peer");
    return 1;
  }

  char temporary[4096];
  snprintf(temporary, sizeof temporary, "%s.part", argv[1]);
  FILE* file = fopen(temporary, "w");
  if (!file) {
    perror(temporary);
    return 1;
  }
  fprintf(file, "%d\n", ntohs(address.sin_port));
  fclose(file);
  rename(temporary, argv[1]);

  const pid_t parent = getpid();
  for (int served = 0; served < kMaxConnections; ++served) {
    const int fd = accept(listener, NULL, NULL);
    if (fd < 0) {
      if (errno == EINTR) continue;
      break;
    }
    const pid_t child = fork();
    if (child == 0) {
      close(listener);
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(0);
      alarm(seconds_left);
      serve(fd);
      close(fd);
      _exit(0);
    }
    close(fd);
  }
  return 0;
}
