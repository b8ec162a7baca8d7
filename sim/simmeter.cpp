#include "sim/simmeter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/base/bytes.h"
#include "core/live/decoder.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

inline uint8_t *Bytes(QByteArray &a) { return reinterpret_cast<uint8_t *>(a.data()); }
inline const uint8_t *Bytes(const QByteArray &a) { return reinterpret_cast<const uint8_t *>(a.constData()); }

// Signed 16-bit values go out as two's complement, high byte first.
inline void PutBE16(uint8_t *p, int value)
{
    LinkBytes::WriteBE16(p, static_cast<uint16_t>(static_cast<int16_t>(value)));
}

inline void PutBE16(QByteArray &a, int offset, int value) { PutBE16(Bytes(a) + offset, value); }

// The 24-bit end address at bytes 10-12 of the memory, high byte first.
inline void PutEndAddress(QByteArray &a, int end)
{
    a[10] = static_cast<char>((end >> 16) & 0xFF);
    LinkBytes::WriteBE16(Bytes(a) + 11, static_cast<uint16_t>(end & 0xFFFF));
}

inline char Bcd(int v) { return static_cast<char>(((v / 10) % 10) << 4 | (v % 10)); }

// A well-mixed 64-bit hash (splitmix64), the source of the readings' noise.
uint64_t Mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Uniform in [-1, 1], fixed by seed, sample index and channel.
double Noise(uint32_t seed, int64_t index, int channel)
{
    const uint64_t h = Mix(Mix(seed) ^ Mix(static_cast<uint64_t>(index) * 4 + channel));
    return (static_cast<double>(h >> 11) / 9007199254740992.0) * 2.0 - 1.0;
}

double Phase(uint32_t seed, int channel)
{
    return (static_cast<double>(Mix(seed * 16ull + channel) >> 11) / 9007199254740992.0) * 2.0 * kPi;
}

int Tenths(double v) { return static_cast<int>(std::lround(v * 10.0)); }

// Four glyphs of a number shown with one decimal where it fits, as an integer
// where it does not, and as "OL" beyond four digits.
void FormatValue(int64_t tenths, uint8_t glyphs[4], bool &point, bool &minus)
{
    minus = tenths < 0;
    int64_t a = tenths < 0 ? -tenths : tenths;
    int minDigits = 2;
    point = true;
    if (a > 9999) {
        a = (a + 5) / 10;
        point = false;
        minDigits = 1;
    }
    for (int i = 0; i < 4; ++i)
        glyphs[i] = GlyphBlank;
    if (a > 9999) {
        glyphs[1] = 0;
        glyphs[2] = GlyphL;
        point = false;
        return;
    }
    for (int i = 3, n = 0; i >= 0 && (a > 0 || n < minDigits); --i, ++n) {
        glyphs[i] = static_cast<uint8_t>(a % 10);
        a /= 10;
    }
}

} // namespace

void EncodeLcdImage(const TLcdImage &lcd, uint8_t *r)
{
    for (int i = 38; i <= 57; ++i)
        r[i] = 0;
    r[39] = MapAFromGlyph(lcd.smallDigits[0]) | (lcd.recall ? 0x01 : 0);
    r[38] = MapAFromGlyph(lcd.smallDigits[1]);
    r[40] = static_cast<uint8_t>(lcd.hold << 1 | lcd.max << 2 | lcd.min << 3 | lcd.avg << 4 | lcd.mem << 5);
    r[41] = static_cast<uint8_t>(lcd.battery1 << 0 | lcd.battery2 << 1 | lcd.battery3 << 2
                                 | lcd.battery0 << 3 | lcd.autoOff << 4);
    for (int i = 0; i < 4; ++i) {
        r[42 + i] = MapBFromGlyph(lcd.rhDigits[i]);
        r[50 - i] = MapAFromGlyph(lcd.t1Digits[i]);
        r[53 + i] = MapBFromGlyph(lcd.t2Digits[i]);
    }
    r[42] |= lcd.wetBulbLabel << 7;
    r[43] |= lcd.dewPointLabel << 7;
    r[44] |= lcd.rhPoint << 7;
    r[45] |= lcd.rhLabel << 7;
    r[46] = static_cast<uint8_t>(lcd.t1Celsius | lcd.t1Fahrenheit << 1 | lcd.t1Kelvin << 2);
    r[47] |= lcd.t1Point ? 0x01 : 0;
    r[51] = static_cast<uint8_t>(lcd.typeK << 6 | lcd.typeJ << 5 | lcd.typeE << 4 | lcd.typeT << 3
                                 | lcd.typeN << 2 | lcd.typeR << 1 | lcd.typeS);
    r[52] = static_cast<uint8_t>(lcd.t1Label << 6 | lcd.t1Minus << 5 | lcd.bluetooth << 4
                                 | lcd.typeLabel << 2 | lcd.t2Label << 1 | lcd.t2Minus);
    r[53] |= lcd.alarm << 7;
    r[54] |= lcd.hiLabel << 7;
    r[56] |= lcd.t2Point << 7;
    r[57] = static_cast<uint8_t>(lcd.t2Kelvin << 1 | lcd.t2Fahrenheit << 2 | lcd.t2Celsius << 3
                                 | lcd.full << 4 | lcd.rec << 5 | lcd.loLabel << 7);
}

TSimMeter::TSimMeter(uint32_t seed)
    : seed_(seed), clockBase_(QDateTime::currentDateTime())
{
    elapsed_.start();
    LoadDemoDataSets();
}

// ---- clock and readings ----------------------------------------------------

void TSimMeter::SetManualClock(bool manual)
{
    if (manual && !manualClock_)
        manualMs_ = elapsed_.elapsed();
    manualClock_ = manual;
}

void TSimMeter::SetTimeMs(int64_t ms)
{
    manualClock_ = true;
    manualMs_ = ms;
}

void TSimMeter::AdvanceMs(int64_t ms)
{
    if (!manualClock_)
        SetManualClock(true);
    manualMs_ += ms;
}

int64_t TSimMeter::TimeMs() const
{
    return manualClock_ ? manualMs_ : elapsed_.elapsed();
}

TSimMeter::TSample TSimMeter::SampleAt(int64_t index) const
{
    if (fixed_)
        return fixedSample_;
    const double t = static_cast<double>(index) * 0.5;
    const double rh = 45.0 + 3.0 * std::sin(2 * kPi * t / 300.0 + Phase(seed_, 1)) + 0.15 * Noise(seed_, index, 1);
    const double t1 = 22.0 + 0.8 * std::sin(2 * kPi * t / 420.0 + Phase(seed_, 2)) + 0.05 * Noise(seed_, index, 2);
    const double t2 = 72.0 + 1.5 * std::sin(2 * kPi * t / 600.0 + Phase(seed_, 3)) + 0.1 * Noise(seed_, index, 3);
    return {Tenths(rh), Tenths(t1), Tenths(t2)};
}

// The meter samples twice a second; everything that follows the samples
// (MAX/MIN statistics, the logger) catches up here.
void TSimMeter::Update()
{
    const int64_t target = TimeMs() / 500;
    if (lastSampleIndex_ < 0 || target < lastSampleIndex_ || target - lastSampleIndex_ > 200000) {
        // first look, a clock set back, or a gap too long to replay: start afresh
        lastSampleIndex_ = target;
        current_ = SampleAt(target);
        return;
    }
    while (lastSampleIndex_ < target) {
        ++lastSampleIndex_;
        current_ = SampleAt(lastSampleIndex_);
        if (maxMin_ != TSimMaxMin::Off) {
            max_ = {std::max(max_.rh, current_.rh), std::max(max_.t1, current_.t1), std::max(max_.t2, current_.t2)};
            min_ = {std::min(min_.rh, current_.rh), std::min(min_.t1, current_.t1), std::min(min_.t2, current_.t2)};
            sum_[0] += current_.rh;
            sum_[1] += current_.t1;
            sum_[2] += current_.t2;
            ++count_;
        }
        if (recording_ && !sets_.isEmpty()) {
            const TSimDataSet &set = sets_.last();
            int interval = 60 * set.intervalMinutes + set.intervalSeconds;
            if (interval <= 0)
                interval = 2;
            if ((lastSampleIndex_ - recordStartSample_) % (2 * interval) == 0)
                AppendRecord(current_);
        }
    }
}

void TSimMeter::SetReadings(int rhTenths, int t1TenthsC, int t2TenthsF)
{
    Update();
    fixed_ = true;
    fixedSample_ = {rhTenths, t1TenthsC, t2TenthsF};
    current_ = fixedSample_;
}

void TSimMeter::ResumeDrift()
{
    fixed_ = false;
    current_ = SampleAt(lastSampleIndex_ < 0 ? 0 : lastSampleIndex_);
}

TSimMeter::TSample TSimMeter::Shown()
{
    if (recall_ && recallSlot_ >= 0 && recallSlot_ < slots_.size())
        return slots_[recallSlot_];
    if (hold_)
        return held_;
    switch (maxMin_) {
    case TSimMaxMin::Max:
        return max_;
    case TSimMaxMin::Min:
        return min_;
    case TSimMaxMin::Avg:
        if (count_ > 0)
            return {static_cast<int>(std::lround(double(sum_[0]) / count_)),
                    static_cast<int>(std::lround(double(sum_[1]) / count_)),
                    static_cast<int>(std::lround(double(sum_[2]) / count_))};
        return current_;
    default:
        return current_;
    }
}

int TSimMeter::RhTenths() { Update(); return Shown().rh; }
int TSimMeter::T1TenthsC() { Update(); return Shown().t1; }
int TSimMeter::T2TenthsF() { Update(); return Shown().t2; }
int TSimMeter::LiveRhTenths() { Update(); return current_.rh; }
int TSimMeter::LiveT1TenthsC() { Update(); return current_.t1; }
int TSimMeter::LiveT2TenthsF() { Update(); return current_.t2; }

void TSimMeter::SetAlarmLimits(int lowTenthsC, int highTenthsC)
{
    alarmOn_ = true;
    alarmLow_ = lowTenthsC;
    alarmHigh_ = highTenthsC;
}

void TSimMeter::SetLogInterval(uint8_t minutes, uint8_t seconds)
{
    logMinutes_ = std::min<uint8_t>(minutes, 60);
    logSeconds_ = std::min<uint8_t>(seconds, 60);
    if (logMinutes_ == 0 && logSeconds_ == 0)
        logSeconds_ = 2;
}

// ---- keys -----------------------------------------------------------------

void TSimMeter::PressKey(uint8_t command)
{
    switch (command) {
    case 'H':
        if (!hold_)
            held_ = Shown();
        hold_ = !hold_;
        break;
    case 'C':
        unit_ = unit_ == 1 ? 0 : unit_ == 0 ? 2 : 1;   // degC -> degF -> K -> degC
        break;
    case 'E':
        if (recording_)
            StopRecording();
        else
            StartRecording();
        break;
    case 'R':
        if (recall_)
            recall_ = false;
        else if (!slots_.isEmpty()) {
            recall_ = true;
            recallSlot_ = slots_.size() - 1;
        }
        break;
    case 'M':
        switch (maxMin_) {
        case TSimMaxMin::Off:
            maxMin_ = TSimMaxMin::All;
            max_ = min_ = current_;
            sum_[0] = current_.rh;
            sum_[1] = current_.t1;
            sum_[2] = current_.t2;
            count_ = 1;
            break;
        case TSimMaxMin::All: maxMin_ = TSimMaxMin::Max; break;
        case TSimMaxMin::Max: maxMin_ = TSimMaxMin::Min; break;
        case TSimMaxMin::Min: maxMin_ = TSimMaxMin::Avg; break;
        case TSimMaxMin::Avg: maxMin_ = TSimMaxMin::Max; break;
        }
        break;
    case 'N':
        maxMin_ = TSimMaxMin::Off;
        break;
    case 'B':
        backlight_ = !backlight_;
        break;
    case 'm':
        if (recall_) {
            recallSlot_ = (recallSlot_ + 1) % slots_.size();
        } else {
            if (slots_.size() >= 99)
                slots_.removeFirst();
            slots_.append(Shown());
            recallSlot_ = slots_.size() - 1;
            memLitUntilMs_ = TimeMs() + 2000;
        }
        break;
    default:
        break;
    }
}

// ---- display --------------------------------------------------------------

TLcdImage TSimMeter::Display()
{
    Update();
    const TSample s = Shown();
    TLcdImage lcd;

    bool point = false, minus = false;
    FormatValue(s.rh, lcd.rhDigits, point, minus);
    lcd.rhPoint = point;
    if (minus) {   // the RH line has no minus sign of its own: a minus glyph
        for (int i = 3; i > 0; --i)
            if (lcd.rhDigits[i] != GlyphBlank && lcd.rhDigits[i - 1] == GlyphBlank) {
                lcd.rhDigits[i - 1] = GlyphMinus;
                break;
            }
    }
    lcd.rhLabel = true;

    const float t1c = static_cast<float>(s.t1 * 0.1);
    const float t2f = static_cast<float>(s.t2 * 0.1);
    float t1 = t1c, t2 = t2f;
    switch (unit_) {
    case 0: t1 = LiveCelsiusToFahrenheit(t1c); break;
    case 1: t2 = LiveFahrenheitToCelsius(t2f); break;
    case 2: t1 = LiveCelsiusToKelvin(t1c); t2 = LiveFahrenheitToKelvin(t2f); break;
    default: break;
    }
    FormatValue(std::llround(double(t1) * 10.0), lcd.t1Digits, lcd.t1Point, lcd.t1Minus);
    FormatValue(std::llround(double(t2) * 10.0), lcd.t2Digits, lcd.t2Point, lcd.t2Minus);
    lcd.t1Label = lcd.t2Label = true;
    lcd.t1Fahrenheit = lcd.t2Fahrenheit = unit_ == 0;
    lcd.t1Celsius = lcd.t2Celsius = unit_ == 1;
    lcd.t1Kelvin = lcd.t2Kelvin = unit_ == 2;

    lcd.typeLabel = true;
    lcd.typeK = coupleType_ == 0;
    lcd.typeJ = coupleType_ == 1;
    lcd.typeE = coupleType_ == 2;
    lcd.typeT = coupleType_ == 3;
    lcd.typeN = coupleType_ == 4;
    lcd.typeR = coupleType_ == 5;
    lcd.typeS = coupleType_ == 6;

    lcd.battery0 = battery_ <= 0;
    lcd.battery1 = battery_ == 1;
    lcd.battery2 = battery_ == 2;
    lcd.battery3 = battery_ >= 3;
    lcd.autoOff = true;
    lcd.bluetooth = bluetooth_;

    lcd.hold = hold_;
    lcd.max = maxMin_ == TSimMaxMin::All || maxMin_ == TSimMaxMin::Max;
    lcd.min = maxMin_ == TSimMaxMin::All || maxMin_ == TSimMaxMin::Min;
    lcd.avg = maxMin_ == TSimMaxMin::All || maxMin_ == TSimMaxMin::Avg;
    lcd.recall = recall_;
    lcd.mem = recall_ || TimeMs() < memLitUntilMs_;
    if (lcd.mem) {
        const int n = recallSlot_ + 1;
        lcd.smallDigits[0] = static_cast<uint8_t>(n / 10 % 10);
        lcd.smallDigits[1] = static_cast<uint8_t>(n % 10);
    } else if (recording_) {
        const int n = sets_.size() % 100;
        lcd.smallDigits[0] = static_cast<uint8_t>(n / 10);
        lcd.smallDigits[1] = static_cast<uint8_t>(n % 10);
    }

    lcd.alarm = alarmOn_;
    lcd.hiLabel = alarmOn_ && s.t1 > alarmHigh_;
    lcd.loLabel = alarmOn_ && s.t1 < alarmLow_;
    lcd.rec = recording_ || full_;
    lcd.full = full_;
    return lcd;
}

// ---- replies --------------------------------------------------------------

QByteArray TSimMeter::LiveReply()
{
    Update();
    const TSample s = Shown();
    QByteArray r(64, 0);
    uint8_t *b = reinterpret_cast<uint8_t *>(r.data());
    b[0] = 0x02;
    b[2] = static_cast<uint8_t>((unit_ & 0x03) << 4);
    b[3] = static_cast<uint8_t>((recording_ ? 0x08 : 0) | (full_ ? 0x10 : 0)
                                | (maxMin_ == TSimMaxMin::All ? 0x40 : 0));
    b[4] = maxMin_ == TSimMaxMin::All ? 0x08 : 0;
    b[6] = status_;
    PutBE16(b + 9, s.rh);
    PutBE16(b + 11, s.t1);
    PutBE16(b + 13, s.t2);
    EncodeLcdImage(Display(), b);
    b[62] = LinkBytes::Checksum8Range(b, 1, 61);
    b[63] = 0x03;
    return r;
}

QByteArray TSimMeter::IdentityReply() const
{
    QByteArray r(32, ' ');
    r[0] = 0x02;
    const QByteArray name("QM SIMULATED METER");
    r.replace(1, name.size(), name);
    r.replace(23, 3, "738");
    r[31] = 0x03;
    return r;
}

QByteArray TSimMeter::AcknowledgementReply(uint8_t command) const
{
    QByteArray r(32, 0);
    r[0] = 0x02;
    r[1] = static_cast<char>(command);
    r[2] = 'O';
    r[3] = 'K';
    r[31] = 0x03;
    return r;
}

QByteArray TSimMeter::PageReply(int page) const
{
    QByteArray r(36, 0);
    if (page >= 1 && page <= PageCount)
        std::memcpy(r.data(), memory_.constData() + (page - 1) * PageSize, PageSize);
    PutBE16(r, 32, page);
    r[34] = static_cast<char>(LinkBytes::Checksum8(Bytes(r), PageSize));
    r[35] = 0x05;
    return r;
}

TSimReply TSimMeter::Answer(const uint8_t *frame, int length)
{
    TSimReply reply;
    if (length < 7 || frame[0] != 0x02 || frame[6] != 0x03)
        return reply;
    const uint8_t command = frame[1];
    ++framesAnswered_;
    lastCommand_ = command;
    Update();

    switch (command) {
    case 'A':
        reply.bytes = LiveReply();
        break;
    case 'K':
        reply.bytes = IdentityReply();
        break;
    case 'P': {
        // Page numbers count from 1 (addresses 0..31); 0 starts at the first
        // page as well, which is how the serial download begins.
        int page = LinkBytes::ReadBE16(frame + 2);
        if (page == 0)
            page = 1;
        if (page > PageCount)
            break;
        transferActive_ = true;
        pageCursor_ = page;
        reply.bytes = PageReply(page);
        break;
    }
    case 'p':
        if (!transferActive_ || pageCursor_ >= PageCount)
            break;
        ++pageCursor_;
        reply.bytes = PageReply(pageCursor_);
        break;
    case 'r':
    case 'n':
        if (!transferActive_ || pageCursor_ < 1)
            break;
        reply.bytes = PageReply(pageCursor_);
        break;
    case 'q':
    case 'Q':
        transferActive_ = false;
        break;
    case 'H': case 'C': case 'E': case 'R': case 'M': case 'N': case 'B': case 'm':
        PressKey(command);
        reply.bytes = AcknowledgementReply(command);
        break;
    default:
        break;
    }
    ApplyFaults(command, reply);
    ApplyPageFaults(command, reply);
    return reply;
}

// ---- faults ---------------------------------------------------------------

void TSimMeter::InjectFault(TSimFault fault, int count)
{
    faults_.append({fault, count});
}

void TSimMeter::ClearFaults()
{
    faults_.clear();
}

bool TSimMeter::TakeFault(TSimFault fault)
{
    for (int i = 0; i < faults_.size(); ++i) {
        if (faults_[i].fault != fault)
            continue;
        if (faults_[i].remaining > 0 && --faults_[i].remaining == 0)
            faults_.remove(i);
        return true;
    }
    return false;
}

void TSimMeter::ApplyFaults(uint8_t command, TSimReply &reply)
{
    if (reply.bytes.isEmpty() || faults_.isEmpty())
        return;
    const bool page = command == 'P' || command == 'p' || command == 'r' || command == 'n';
    if (TakeFault(TSimFault::Silence)) {
        reply.bytes.clear();
        return;
    }
    if (command == 'K' && TakeFault(TSimFault::WrongIdentity))
        reply.bytes.replace(23, 3, "739");
    if (command == 'A' && TakeFault(TSimFault::DisplayUnset)) {
        for (int i = 40; i <= 59; ++i)
            reply.bytes[i] = char(0xFF);
        reply.bytes[62] = char(LinkBytes::Checksum8Range(Bytes(reply.bytes), 1, 61));
    }
    if (command == 'A' && TakeFault(TSimFault::BadChecksum))
        reply.bytes[62] = static_cast<char>(reply.bytes[62] + 1);
    if (page && TakeFault(TSimFault::BadChecksum))
        reply.bytes[34] = static_cast<char>(reply.bytes[34] + 1);
    if (TakeFault(TSimFault::LostBytes)) {
        const int n = std::min(lostBytes_, int(reply.bytes.size()) - 1);
        reply.bytes.remove(reply.bytes.size() / 2, n);
    }
    if (TakeFault(TSimFault::TooManyBytes))
        reply.bytes.append(QByteArray(extraBytes_, char(0xAA)));
    if (TakeFault(TSimFault::LateBytes))
        reply.delayMs = lateMs_;
}

void TSimMeter::InjectPageFault(int page, TSimPageFault fault, int count)
{
    pageFaults_.append({page, fault, count});
}

void TSimMeter::ClearPageFaults()
{
    pageFaults_.clear();
    silent_ = false;
}

void TSimMeter::ApplyPageFaults(uint8_t command, TSimReply &reply)
{
    if (silent_) {
        reply.bytes.clear();
        return;
    }
    const bool page = command == 'P' || command == 'p' || command == 'r' || command == 'n';
    if (!page || reply.bytes.size() < 36 || pageFaults_.isEmpty())
        return;
    const int number = LinkBytes::ReadBE16(Bytes(reply.bytes) + 32);
    for (int i = 0; i < pageFaults_.size(); ++i) {
        TPageFaultEntry &f = pageFaults_[i];
        if (f.fault == TSimPageFault::SilenceFrom ? number < f.page : number != f.page)
            continue;
        switch (f.fault) {
        case TSimPageFault::BadChecksum: reply.bytes[34] = char(reply.bytes[34] + 1); break;
        case TSimPageFault::CutShort: reply.bytes.truncate(20); break;
        case TSimPageFault::NoReply: reply.bytes.clear(); break;
        case TSimPageFault::BadEnd: reply.bytes[35] = 0x04; break;
        case TSimPageFault::SilenceFrom:
            silent_ = true;
            reply.bytes.clear();
            return;
        }
        if (f.remaining > 0 && --f.remaining == 0)
            pageFaults_.remove(i);
        return;
    }
}

// ---- logger memory --------------------------------------------------------

int TSimMeter::EndAddress() const
{
    const uint8_t *m = Bytes(memory_);
    return m[10] << 16 | LinkBytes::ReadBE16(m + 11);
}

void TSimMeter::ClearMemory()
{
    sets_.clear();
    recording_ = false;
    full_ = false;
    WriteMemory();
}

void TSimMeter::WriteMemory()
{
    memory_ = QByteArray(MemorySize, char(0xFF));
    memory_.replace(0, 8, QByteArray("QM738LOG"));
    PutBE16(memory_, 8, sets_.size());
    int p = FirstDataSetOffset;
    for (const TSimDataSet &set : sets_) {
        memory_[p + 0] = char(0xA5);
        memory_[p + 1] = char(0x5A);
        memory_[p + 2] = 0;
        const QDate d = set.start.date();
        const QTime t = set.start.time();
        memory_[p + 3] = Bcd(d.year() % 100);
        memory_[p + 4] = Bcd(d.month());
        memory_[p + 5] = Bcd(d.day());
        memory_[p + 6] = Bcd(t.hour());
        memory_[p + 7] = Bcd(t.minute());
        memory_[p + 8] = Bcd(t.second());
        memory_[p + 9] = char(set.intervalMinutes);
        memory_[p + 10] = char(set.intervalSeconds);
        memory_[p + 11] = char((set.unitCode & 0x0F) << 4 | (set.coupleType & 0x0F));
        PutBE16(memory_, p + 12, set.records.size());
        memory_[p + 14] = char(set.rhOffset);
        memory_[p + 15] = char(set.t1Offset);
        memory_[p + 16] = char(set.t2Offset);
        memory_[p + 17] = 0;
        int q = p + 18;
        for (const auto &rec : set.records) {
            PutBE16(memory_, q, rec[0]);
            PutBE16(memory_, q + 2, rec[1]);
            PutBE16(memory_, q + 4, rec[2]);
            PutBE16(memory_, q + 6, 0);
            q += 8;
        }
        memory_[q] = char(0x5A);
        memory_[q + 1] = char(0xA5);
        p = q + 2;
    }
    PutEndAddress(memory_, p - 1);
}

bool TSimMeter::AddDataSet(const TSimDataSet &set)
{
    if (sets_.size() >= 4000 || EndAddress() + 1 + 20 + 8 * set.records.size() > MemorySize)
        return false;
    sets_.append(set);
    WriteMemory();
    return true;
}

void TSimMeter::FillMemory(int bytes, int setCount)
{
    // Sets follow the header back to back: 20 bytes each and 8 per record.
    // The used part is kept to a multiple of 4, and the number of sets made
    // odd or even so that the records fill it exactly.
    bytes = std::clamp(bytes, FirstDataSetOffset, MemorySize);
    int used = (bytes - FirstDataSetOffset) / 4 * 4;
    setCount = std::clamp(setCount, 1, 4000);
    const bool oddNeeded = used % 8 == 4;
    if ((setCount % 2 == 1) != oddNeeded)
        setCount = setCount > 1 ? setCount - 1 : setCount + 1;
    QVector<TSimDataSet> sets;
    if (used >= 20 * setCount) {
        const int records = (used - 20 * setCount) / 8;
        const QVector<TSimDataSet> demo = DemoDataSets(seed_);
        QDateTime start(QDate(2025, 8, 1), QTime(9, 0, 0));
        for (int i = 0; i < setCount; ++i) {
            TSimDataSet set = demo[i % demo.size()];
            const int count = records / setCount + (i < records % setCount ? 1 : 0);
            set.start = start;
            set.records.clear();
            set.records.reserve(count);
            for (int j = 0; j < count; ++j) {
                const double x = j / 40.0;
                set.records.append({int16_t(Tenths(45.0 + 8.0 * std::sin(x + i) + 0.2 * Noise(seed_, j, 40 + i))),
                                    int16_t(Tenths(21.0 + 3.0 * std::sin(x * 0.6 + i) + 0.05 * Noise(seed_, j, 50 + i))),
                                    int16_t(Tenths(70.0 + 6.0 * std::cos(x * 0.4 + i) + 0.1 * Noise(seed_, j, 60 + i)))});
            }
            sets.append(set);
            const int interval = 60 * set.intervalMinutes + set.intervalSeconds;
            start = start.addSecs(qint64(count) * interval + 3600);
        }
    }
    sets_ = sets;
    recording_ = false;
    full_ = false;
    WriteMemory();
}

void FillMemoryFromEnvironment(TSimMeter &meter)
{
    const QByteArray value = qgetenv("QM738_DEMO_MEMORY").trimmed().toLower();
    if (value.isEmpty())
        return;
    bool ok = false;
    const int bytes = value == "full" ? TSimMeter::MemorySize : value.toInt(&ok);
    if (value == "full" || ok)
        meter.FillMemory(bytes);
}

void TSimMeter::LoadDemoDataSets()
{
    sets_ = DemoDataSets(seed_);
    WriteMemory();
}

QVector<TSimDataSet> TSimMeter::DemoDataSets(uint32_t seed)
{
    QVector<TSimDataSet> sets;
    auto fill = [seed](TSimDataSet &set, int count, int salt) {
        for (int j = 0; j < count; ++j) {
            const double x = j / 8.0;
            const int rh = Tenths(45.0 + 4.0 * std::sin(x + salt) + 0.2 * Noise(seed, j, 10 + salt));
            const int t1 = Tenths(22.0 + 1.5 * std::sin(x * 0.7 + salt) + 0.05 * Noise(seed, j, 20 + salt));
            const int t2 = Tenths(72.0 + 3.0 * std::cos(x * 0.5 + salt) + 0.1 * Noise(seed, j, 30 + salt));
            set.records.append({int16_t(rh), int16_t(t1), int16_t(t2)});
        }
    };

    TSimDataSet a;
    a.start = QDateTime(QDate(2025, 6, 14), QTime(13, 45, 30));
    a.intervalMinutes = 0;
    a.intervalSeconds = 2;
    a.unitCode = 1;
    a.coupleType = 0;
    fill(a, 12, 0);
    sets.append(a);

    TSimDataSet b;
    b.start = QDateTime(QDate(2025, 6, 15), QTime(8, 0, 0));
    b.intervalMinutes = 1;
    b.intervalSeconds = 0;
    b.unitCode = 0;
    b.coupleType = 1;
    b.rhOffset = 5;
    b.t1Offset = -3;
    fill(b, 30, 1);
    sets.append(b);

    TSimDataSet c;
    c.start = QDateTime(QDate(2025, 7, 1), QTime(22, 30, 15));
    c.intervalMinutes = 0;
    c.intervalSeconds = 10;
    c.unitCode = 2;
    c.coupleType = 3;
    c.t2Offset = 2;
    fill(c, 8, 2);
    sets.append(c);
    return sets;
}

void TSimMeter::StartRecording()
{
    if (full_)
        return;
    if (sets_.size() >= 4000 || EndAddress() + 1 + 20 + 8 > MemorySize) {
        full_ = true;
        return;
    }
    TSimDataSet set;
    const QDateTime start = clockBase_.addMSecs(TimeMs());
    set.start = QDateTime(start.date(), QTime(start.time().hour(), start.time().minute(), start.time().second()));
    set.intervalMinutes = logMinutes_;
    set.intervalSeconds = logSeconds_;
    set.unitCode = unit_ > 2 ? 1 : unit_;
    set.coupleType = coupleType_;
    sets_.append(set);
    WriteMemory();
    recording_ = true;
    recordStartSample_ = lastSampleIndex_;
    AppendRecord(current_);
}

void TSimMeter::StopRecording()
{
    recording_ = false;
}

// Appends one record to the running data set: the record, the moved trailer,
// the set's record count and the end address.
void TSimMeter::AppendRecord(const TSample &s)
{
    const int end = EndAddress();
    if (end + 1 + 8 > MemorySize || sets_.isEmpty()) {
        recording_ = false;
        full_ = true;
        return;
    }
    TSimDataSet &set = sets_.last();
    set.records.append({int16_t(s.rh), int16_t(s.t1), int16_t(s.t2)});
    const int q = end - 1;   // where the trailer was
    PutBE16(memory_, q, s.rh);
    PutBE16(memory_, q + 2, s.t1);
    PutBE16(memory_, q + 4, s.t2);
    PutBE16(memory_, q + 6, 0);
    memory_[q + 8] = char(0x5A);
    memory_[q + 9] = char(0xA5);
    const int header = q - 18 - 8 * (set.records.size() - 1);
    PutBE16(memory_, header + 12, set.records.size());
    const int newEnd = q + 9;
    PutEndAddress(memory_, newEnd);
    if (newEnd + 1 + 8 > MemorySize) {
        recording_ = false;
        full_ = true;
    }
}
