// A Modbus instrument for the register drivers' tests, on libmodbus. Started through
// FakeInstrument / FakeLink (tests/common) with its absolute path:
//   modbus_peer --pty PATH | --tcp [--rtu]   RTU on a serial device (8N1); Modbus-TCP on
//                                            127.0.0.1, a free port; --rtu: RTU frames over TCP
//   --log FILE [--STATEMENT ARGS...]...
// It prints "PORT <n>" or "READY" once it listens. libmodbus reads and checks every request
// (modbus_receive: CRC or MBAP header, length); the log holds one JSON object per request,
// {"raw": "<hex as received>", "check": "ok" | "bad" | "other station"}, and {"event":
// "connected" | "closed"} per TCP connection. Standard reads and one-register writes are
// answered by modbus_reply from the register map; the instruments' own replies (the broadcast
// probe's answer, a multi-register write answered in read layout, scripted replies) go out
// through modbus_send_raw_request.
// Statements, as options or as lines on standard input (each answered "OK" or "ERR <why>"):
//   station XX          the station it answers as (hex); register 0x0001 = XX00
//   set REG HEX         registers from REG (hex), 4 hex digits each
//   double REG V...     doubles from REG, 4 registers each, least significant byte first
//   text REG TEXT       ASCII from REG, two characters per register
//   raw REQ REPLY       a request (station and PDU in hex, no CRC or header) answered by REPLY
//   writes read|echo    function-10 writes answered in read layout (default) or standard form
//   form REG N KIND     writes (06 or 10) from REG .. REG+N-1 answered by the request itself
//                       (KIND request) or in read layout, function kept (KIND read)
//   probe XX            the station byte of the broadcast probe's answer (default its own)
//   pace BAUD           each request waits its wire time at BAUD (8N1) before the answer, and
//                       answers go out byte by byte at that rate; 0 (default) sends at once
//   fault KIND [N]      the next N replies (default 1, 0 = all) get KIND: station (another
//                       station), crc (a CRC byte flipped; Modbus-TCP: the protocol id),
//                       truncate, exception (code 02), silence, trailing (a stray byte after
//                       the frame), echo (a write answered in standard form); none clears
//   split N MS          the next reply: its first N bytes (N < 0: all but -N), the rest MS ms later
//   late MS [N]         replies to the next N requests (default 1, 0 = all) held MS ms; 0 clears
//   transaction zero|echo   Modbus-TCP replies carry transaction 0 or the request's (default)
// A station address written to register 0x0001 takes effect when the instrument restarts,
// which it does when the next broadcast request arrives. Reads of more than the 125 registers
// of a standard reply (the instruments' value blocks) are answered in read layout all the same,
// their byte count byte holding only the low 8 bits; such frames, damaged frames and paced
// answers are written here, with a CRC checked against libmodbus's own at start-up.

#include <modbus.h>

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <pty.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;
using Words = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

std::string hexOf(const uint8_t *data, size_t n)
{
    std::string s;
    char buf[3];
    for (size_t i = 0; i < n; ++i)
        s += (std::snprintf(buf, sizeof buf, "%02X", data[i]), buf);
    return s;
}

Bytes bytesOf(const std::string &hex)
{
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// Table-free CRC-16/MODBUS, for the replies damaged on purpose.
uint16_t crc16(const Bytes &data)
{
    uint16_t crc = 0xFFFF;
    for (uint8_t b : data) {
        crc ^= b;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

struct Peer
{
    modbus_t *ctx = nullptr;
    modbus_mapping_t *map = modbus_mapping_new(0, 0, 0xFFFF, 0);
    bool tcp = false;       // Modbus-TCP framing (else RTU)
    int station = 1, probeStation = -1, faultsLeft = 0, paceBaud = 0;
    uint8_t transaction[2] = {0, 0};   // of the request being answered (Modbus-TCP)
    bool writesEcho = false;
    std::string fault;
    std::map<std::string, std::string> raws;
    std::map<int, std::pair<int, std::string>> forms;   // first register: count, kind
    int splitAt = 0, splitMs = -1;                          // the next reply in two parts (-1: not)
    int lateMs = 0, lateLeft = 0, capture[2] = {-1, -1};    // late replies: libmodbus writes to capture[0]
    bool zeroTransaction = false;
    std::deque<std::pair<Clock::time_point, Bytes>> held;   // replies held back, in the order due
    FILE *log = nullptr;

    void note(const std::string &json)
    {
        if (log) {
            std::fprintf(log, "%s\n", json.c_str());
            std::fflush(log);
        }
    }

    // Serves the request; while replies are to be late, what it answers is held.
    void answer(uint8_t *req, int length)
    {
        if (!lateLeft || (capture[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM, 0, capture) != 0))
            return serve(req, length);
        const int real = modbus_get_socket(ctx);
        modbus_set_socket(ctx, capture[0]);
        serve(req, length);
        modbus_set_socket(ctx, real);
        Bytes reply;
        uint8_t buf[4096];
        for (ssize_t n; (n = recv(capture[1], buf, sizeof buf, MSG_DONTWAIT)) > 0;)
            reply.insert(reply.end(), buf, buf + n);
        if (!reply.empty()) {
            held.emplace_back(Clock::now() + std::chrono::milliseconds(lateMs), reply);
            lateLeft -= lateLeft > 0;
        }
    }

    // The wait until the next held reply falls due (null: none held).
    timeval *untilDue(timeval &tv) const
    {
        if (held.empty())
            return nullptr;
        const auto us = std::max<long long>(0, std::chrono::duration_cast<std::chrono::microseconds>(held.front().first - Clock::now()).count());
        tv = {static_cast<time_t>(us / 1000000), static_cast<suseconds_t>(us % 1000000)};
        return &tv;
    }

    // Sends the held replies that fell due (to the link of the moment).
    void sendDue()
    {
        for (; !held.empty() && held.front().first <= Clock::now(); held.pop_front())
            if (write(modbus_get_socket(ctx), held.front().second.data(), held.front().second.size()) < 0)
                std::perror("write");
    }

    uint16_t &reg(const std::string &hex, size_t offset = 0)
    {
        return map->tab_registers[std::stoi(hex, nullptr, 16) + offset];
    }

    std::string statement(const Words &w)
    {
        try {
            const std::string &op = w.at(0);
            if (op == "station") {
                station = std::stoi(w.at(1), nullptr, 16);
                map->tab_registers[1] = static_cast<uint16_t>(station << 8);
                modbus_set_slave(ctx, station);
            } else if (op == "set" || op == "text" || op == "double") {
                Bytes b;
                if (op == "set")
                    b = bytesOf(w.at(2));
                else if (op == "text")
                    b.assign(w.at(2).begin(), w.at(2).end());
                for (size_t i = 2; op == "double" && i < w.size(); ++i) {
                    const double v = std::strtod(w[i].c_str(), nullptr);
                    b.insert(b.end(), reinterpret_cast<const uint8_t *>(&v),
                             reinterpret_cast<const uint8_t *>(&v) + 8);
                }
                b.resize((b.size() + 1) / 2 * 2);
                for (size_t i = 0; i < b.size(); i += 2)
                    reg(w.at(1), i / 2) = static_cast<uint16_t>(b[i] << 8 | b[i + 1]);
            } else if (op == "raw") {
                raws[hexOf(bytesOf(w.at(1)).data(), w.at(1).size() / 2)] = w.at(2);
            } else if (op == "form") {
                forms[std::stoi(w.at(1), nullptr, 16)] = {std::stoi(w.at(2)), w.at(3)};
            } else if (op == "writes") {
                writesEcho = w.at(1) == "echo";
            } else if (op == "pace") {
                paceBaud = std::stoi(w.at(1));
            } else if (op == "probe") {
                probeStation = std::stoi(w.at(1), nullptr, 16);
            } else if (op == "split") {
                splitAt = std::stoi(w.at(1));
                splitMs = std::stoi(w.at(2));
            } else if (op == "late") {
                lateMs = std::stoi(w.at(1));
                const int n = w.size() > 2 ? std::stoi(w[2]) : 1;
                lateLeft = !lateMs ? 0 : n ? n : -1;
            } else if (op == "transaction") {
                zeroTransaction = w.at(1) == "zero";
            } else if (op == "fault") {
                fault = w.at(1) == "none" ? "" : w.at(1);
                faultsLeft = w.size() > 2 ? std::stoi(w[2]) : 1;
            } else {
                return "unknown statement " + op;
            }
        } catch (const std::exception &) {
            return "bad or missing argument";
        }
        return "";
    }

    std::string takeFault()
    {
        const std::string f = fault;
        if (!f.empty() && faultsLeft > 0 && --faultsLeft == 0)
            fault.clear();
        return f;
    }

    bool readLayout(int from, int first, int count, Bytes &frame)
    {
        if (count < 1 || first + count > map->nb_registers)
            return false;
        frame = {static_cast<uint8_t>(from), 0x03, static_cast<uint8_t>(2 * count)};
        for (int i = first; i < first + count; ++i)
            frame.insert(frame.end(), {uint8_t(map->tab_registers[i] >> 8), uint8_t(map->tab_registers[i])});
        return true;
    }

    // Waits `bytes` wire times at the paced baud rate from `start` (now when null).
    void paceWait(size_t bytes, timespec *start = nullptr)
    {
        timespec t{};
        if (start)
            t = *start;
        else
            clock_gettime(CLOCK_MONOTONIC, &t);
        const long long ns = t.tv_nsec + static_cast<long long>(bytes * 1e10 / paceBaud);
        t.tv_sec += ns / 1000000000;
        t.tv_nsec = ns % 1000000000;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr);
    }

    // Station and PDU out through libmodbus, or built here (too long for libmodbus, damaged,
    // paced or split), each byte at its wire time when paced.
    void send(const Bytes &frame, const std::string &damage)
    {
        if (!tcp && damage != "crc" && damage != "truncate" && damage != "trailing" && !paceBaud
            && splitMs < 0 && frame.size() <= MODBUS_MAX_PDU_LENGTH + 1) {
            modbus_send_raw_request(ctx, frame.data(), static_cast<int>(frame.size()));
            return;
        }
        Bytes adu = frame;
        const uint16_t crc = crc16(frame);
        if (tcp)
            adu.insert(adu.begin(), {transaction[0], transaction[1], 0, uint8_t(damage == "crc"), uint8_t(frame.size() >> 8), uint8_t(frame.size())});
        else
            adu.insert(adu.end(), {uint8_t(crc), uint8_t((crc >> 8) ^ (damage == "crc" ? 0x5A : 0))});
        if (damage == "truncate")
            adu.resize(adu.size() - (tcp ? 1 : 2));
        if (damage == "trailing")
            adu.push_back(0xA5);
        if (splitMs >= 0) {   // the head now, the rest held
            const long head = std::clamp<long>(splitAt < 0 ? long(adu.size()) + splitAt : splitAt, 0, long(adu.size()));
            held.emplace_back(Clock::now() + std::chrono::milliseconds(splitMs), Bytes(adu.begin() + head, adu.end()));
            adu.resize(static_cast<size_t>(head));
            splitMs = -1;
        }
        timespec start{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        for (size_t i = 0, n = paceBaud ? 1 : adu.size(); i < adu.size(); i += n) {
            if (paceBaud)
                paceWait(i + 1, &start);
            if (write(modbus_get_socket(ctx), adu.data() + i, n) < 0)
                std::perror("write");
        }
    }

    void serve(uint8_t *req, int length)
    {
        const int at = modbus_get_header_length(ctx), slave = req[at - 1], function = req[at];
        const std::string json = "{\"raw\": \"" + hexOf(req, static_cast<size_t>(length)) + "\", \"check\": ";
        if (slave != 0 && slave != station)
            return note(json + "\"other station\"}");
        if (function != 0x03 && function != 0x06 && function != 0x10) {
            note(json + "\"bad\"}");
            modbus_reply_exception(ctx, req, MODBUS_EXCEPTION_ILLEGAL_FUNCTION);
            return;
        }
        note(json + "\"ok\"}");
        if (tcp && zeroTransaction)
            req[0] = req[1] = 0;
        if (tcp)
            std::copy(req, req + 2, transaction);
        if (paceBaud)
            paceWait(static_cast<size_t>(length));
        if (slave == 0)   // the restart: a station address written before takes effect
            modbus_set_slave(ctx, station = map->tab_registers[1] >> 8);
        const int first = req[at + 1] << 8 | req[at + 2], count = req[at + 3] << 8 | req[at + 4];
        const std::string key = hexOf(req + at - 1, static_cast<size_t>(length - at + 1 - (tcp ? 0 : 2)));
        const std::string damage = takeFault();
        Bytes frame;
        std::string form;
        for (const auto &f : forms)
            if (first >= f.first && first < f.first + f.second.first && (function == 0x06 || function == 0x10))
                form = f.second.second;
        if (damage == "silence")
            return;
        if (damage == "exception")
            modbus_reply_exception(ctx, req, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
        else if (raws.count(key))
            send(bytesOf(raws[key]), damage);
        else if (slave == 0 && function == 0x03 && readLayout(probeStation >= 0 ? probeStation : station, first, count, frame))
            send(frame, damage);
        else if ((function == 0x10 && !writesEcho && damage != "echo") || !form.empty()) {
            const int n = function == 0x06 ? 1 : count;
            const uint8_t *data = req + at + (function == 0x06 ? 3 : 6);
            if (first + n > map->nb_registers || (function == 0x10 && req[at + 5] != 2 * count))
                return (void)modbus_reply_exception(ctx, req, MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE);
            for (int i = 0; i < n; ++i)
                map->tab_registers[first + i] = static_cast<uint16_t>(data[2 * i] << 8 | data[2 * i + 1]);
            frame = {static_cast<uint8_t>(station), static_cast<uint8_t>(function), static_cast<uint8_t>(2 * n)};
            frame.insert(frame.end(), data, data + 2 * n);
            send(form == "request" ? bytesOf(key) : frame, damage);
        } else if (function != 0x03 || damage == "echo" || (damage.empty() && !paceBaud && count <= 125)
                   || !readLayout(station, first, count, frame)) {
            modbus_reply(ctx, req, length, map);
        } else {
            if (damage == "station")
                frame[0] = static_cast<uint8_t>(station % 255 + 1);
            send(frame, damage);
        }
    }
};

// The CRC of the frames written here is libmodbus's: the longest frame libmodbus sends, through
// a pty of its own, compared with crc16.
bool crcAgreesWithLibmodbus()
{
    int master = -1, slave = -1;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return false;
    modbus_t *rtu = modbus_new_rtu(name, 9600, 'N', 8, 1);
    Bytes frame(MODBUS_MAX_PDU_LENGTH + 1), got(frame.size() + 2);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint8_t>(i * 37 + 1);
    frame[1] = 0x03;
    size_t n = 0;
    if (modbus_connect(rtu) == 0 && modbus_send_raw_request(rtu, frame.data(), static_cast<int>(frame.size())) > 0)
        for (ssize_t r = 1; n < got.size() && r > 0; n += static_cast<size_t>(r))
            r = std::max<ssize_t>(read(master, got.data() + n, got.size() - n), 0);
    const uint16_t crc = crc16(frame);
    modbus_close(rtu);
    modbus_free(rtu);
    close(slave);
    close(master);
    return n == got.size() && got[n - 2] == uint8_t(crc) && got[n - 1] == uint8_t(crc >> 8);
}

Words words(const std::string &line)
{
    std::istringstream in(line);
    Words w;
    for (std::string s; in >> s;)
        w.push_back(s);
    return w;
}

// Copies what is readable on `from` to `to`; false when `from` closed.
bool pass(int from, int to)
{
    uint8_t buf[4096];
    const ssize_t n = read(from, buf, sizeof buf);
    if (n > 0 && to >= 0 && write(to, buf, static_cast<size_t>(n)) < 0)
        std::perror("write");
    return n > 0;
}
} // namespace

int main(int argc, char **argv)
{
    if (!crcAgreesWithLibmodbus())
        return std::fprintf(stderr, "the CRC differs from libmodbus's\n"), 3;
    Peer peer;
    bool overTcp = false, bridge = false;
    std::string device;
    std::vector<Words> statements;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--tcp") {
            overTcp = true;
        } else if (a == "--rtu") {
            bridge = true;
        } else if (a == "--pty" && i + 1 < argc) {
            device = argv[++i];
        } else if (a == "--log" && i + 1 < argc) {
            peer.log = std::fopen(argv[++i], "a");
        } else {
            statements.push_back({a.substr(2)});
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0)
                statements.back().push_back(argv[++i]);
        }
    }
    peer.tcp = overTcp && !bridge;
    int masterFd = -1, listenFd = -1, clientFd = -1;
    if (bridge) {   // libmodbus speaks RTU on a pty whose other end is the TCP connection
        char name[128];
        int slaveFd = -1;
        if (openpty(&masterFd, &slaveFd, name, nullptr, nullptr) != 0)
            return std::perror("openpty"), 1;
        close(slaveFd);
        device = name;
    }
    peer.ctx = peer.tcp ? modbus_new_tcp("127.0.0.1", 0) : modbus_new_rtu(device.c_str(), 9600, 'N', 8, 1);
    peer.map->tab_registers[1] = 0x0100;
    modbus_set_slave(peer.ctx, peer.station);
    for (const Words &s : statements) {
        const std::string err = peer.statement(s);
        if (!err.empty())
            return std::fprintf(stderr, "%s\n", err.c_str()), 2;
    }
    if (!peer.tcp && modbus_connect(peer.ctx) != 0)
        return std::fprintf(stderr, "open %s: %s\n", device.c_str(), modbus_strerror(errno)), 1;
    if (overTcp) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        listenFd = peer.tcp ? modbus_tcp_listen(peer.ctx, 1) : socket(AF_INET, SOCK_STREAM, 0);
        if (!peer.tcp && (bind(listenFd, reinterpret_cast<sockaddr *>(&a), len) || listen(listenFd, 1)))
            return std::perror("listen"), 1;
        getsockname(listenFd, reinterpret_cast<sockaddr *>(&a), &len);
        std::printf("PORT %d\n", ntohs(a.sin_port));
    } else {
        std::printf("READY\n");
    }
    std::fflush(stdout);

    uint8_t req[MODBUS_MAX_ADU_LENGTH];
    std::string input;
    for (bool stdinOpen = true;;) {
        const int modbusFd = peer.tcp ? clientFd : modbus_get_socket(peer.ctx);
        fd_set fds;
        FD_ZERO(&fds);
        int top = 0;
        for (int fd : {stdinOpen ? 0 : -1, clientFd < 0 ? listenFd : -1, modbusFd, bridge ? clientFd : -1, masterFd})
            if (fd >= 0)
                FD_SET(fd, &fds), top = std::max(top, fd);
        timeval tv{};
        if (select(top + 1, &fds, nullptr, nullptr, peer.untilDue(tv)) < 0) {
            if (errno == EINTR)
                continue;
            return 1;
        }
        peer.sendDue();
        // Statements first: one written before a request holds for it.
        if (stdinOpen && FD_ISSET(0, &fds)) {
            char buf[4096];
            const ssize_t n = read(0, buf, sizeof buf);
            stdinOpen = n > 0;
            input.append(buf, n > 0 ? static_cast<size_t>(n) : 0);
            for (size_t nl; (nl = input.find('\n')) != std::string::npos; input.erase(0, nl + 1)) {
                const std::string err = peer.statement(words(input.substr(0, nl)));
                std::printf(err.empty() ? "OK\n" : "ERR %s\n", err.c_str());
                std::fflush(stdout);
            }
        }
        if (listenFd >= 0 && clientFd < 0 && FD_ISSET(listenFd, &fds)) {
            clientFd = accept(listenFd, nullptr, nullptr);
            const int on = 1;   // each reply goes out at once
            setsockopt(clientFd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            if (peer.tcp)
                modbus_set_socket(peer.ctx, clientFd);
            else
                tcflush(modbus_get_socket(peer.ctx), TCIOFLUSH);
            peer.note("{\"event\": \"connected\"}");
            continue;
        }
        bool closed = bridge && clientFd >= 0 && FD_ISSET(clientFd, &fds) && !pass(clientFd, masterFd);
        if (masterFd >= 0 && FD_ISSET(masterFd, &fds))
            pass(masterFd, clientFd);
        if (!closed && modbusFd >= 0 && FD_ISSET(modbusFd, &fds)) {
            const int n = modbus_receive(peer.ctx, req);
            if (n > 0)
                peer.answer(req, n);
            else if (peer.tcp && n < 0 && (errno == ECONNRESET || errno == EBADF || errno == EPIPE))
                closed = true;
            else   // a damaged request, or (RTU) one for another station
                peer.note(n ? "{\"check\": \"bad\"}" : "{\"check\": \"other station\"}");
        }
        if (closed) {
            close(clientFd);
            clientFd = -1;
            peer.note("{\"event\": \"closed\"}");
        }
    }
}
