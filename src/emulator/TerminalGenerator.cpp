#include "emulator/TerminalGenerator.h"

#include "core/base/DateTime.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

namespace nakilon {

namespace {

// std::mt19937 gives the same numbers everywhere; the library's distributions
// do not, so the generator draws its own.
class Dice {
public:
    explicit Dice(uint32_t seed) : m_engine(seed) {}
    int32_t below(int32_t limit) {
        return static_cast<int32_t>(m_engine() % static_cast<uint32_t>(limit));
    }
    int32_t any() { return static_cast<int32_t>(m_engine()); }

private:
    std::mt19937 m_engine;
};

struct Event {
    int32_t secondOfDay;
    int32_t user;
    bool exit;
};

} // namespace

TerminalState generateTerminal(const GenerationOptions& options) {
    TerminalState state;
    state.machineNumber = options.machineNumber;
    state.password = options.password;
    Dice dice(options.seed);

    const int32_t users = std::max(options.users, 0);
    for (int32_t i = 0; i < users; ++i) {
        const int32_t userNumber = 1001 + i;
        const int32_t privilege = i == 0        ? 3
                                  : i % 10 == 3 ? 1
                                  : i % 10 == 6 ? 2
                                  : i % 10 == 9 ? 3
                                                : 0;
        const int32_t enabled = i % 7 == 6 ? 0 : 1;
        const int32_t password = i % 5 == 4 ? 1000 + dice.below(9000) : 0;
        const int32_t slotCount = 1 + dice.below(3);
        std::vector<int32_t> slots;
        while (static_cast<int32_t>(slots.size()) < slotCount) {
            const int32_t slot = dice.below(10);
            if (std::find(slots.begin(), slots.end(), slot) == slots.end())
                slots.push_back(slot);
        }
        std::sort(slots.begin(), slots.end());
        for (int32_t slot : slots) {
            state.users.push_back({userNumber, slot, privilege, enabled, password});
            Enrollment enrollment{userNumber, slot, {}};
            for (int32_t& value : enrollment.data)
                value = dice.any();
            state.enrollments.push_back(enrollment);
        }
        // A card or password entry, which has no finger data.
        if (i % 6 == 5)
            state.users.push_back({userNumber, 10 + i / 6 % 2, privilege, enabled, password});
    }

    const int64_t records = users > 0 ? std::max(options.records, 0) : 0;
    if (records == 0)
        return state;
    // Working days, newest first, until they hold every record.
    const int64_t perDay = 2 * static_cast<int64_t>(users);
    const int64_t daysNeeded = (records + perDay - 1) / perDay;
    std::vector<std::chrono::local_days> days;
    std::chrono::local_days day = std::chrono::floor<std::chrono::days>(
        std::chrono::local_seconds{std::chrono::seconds{options.todayLocalSeconds}});
    while (static_cast<int64_t>(days.size()) < daysNeeded) {
        const std::chrono::weekday weekday{day};
        if (weekday != std::chrono::Saturday && weekday != std::chrono::Sunday)
            days.push_back(day);
        day -= std::chrono::days{1};
    }
    std::reverse(days.begin(), days.end());

    state.logs.reserve(static_cast<size_t>(records));
    std::vector<Event> events;
    for (const std::chrono::local_days d : days) {
        events.clear();
        for (int32_t u = 0; u < users; ++u) {
            events.push_back({7 * 3600 + 30 * 60 + dice.below(3600), u, false});
            events.push_back({17 * 3600 + dice.below(5400), u, true});
        }
        std::sort(events.begin(), events.end(),
                  [](const Event& a, const Event& b) { return a.secondOfDay < b.secondOfDay; });
        for (const Event& event : events) {
            if (static_cast<int64_t>(state.logs.size()) == records)
                return state;
            LogRecord record;
            record.personnelNumber = 1001 + event.user;
            const int32_t verify = dice.below(10) == 0 ? 3 : 1;
            record.mode = verify | (event.exit ? 5 : 4) << 8;
            record.time = dateTimeOf(d + std::chrono::seconds{event.secondOfDay});
            record.isNew = true;
            state.logs.push_back(record);
        }
    }
    return state;
}

} // namespace nakilon
