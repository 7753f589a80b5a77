#include "app/engine_history.h"

#include "history/history_file.h"
#include "meter/meter_engine.h"

int SaveEngineHistory(MeterEngine* engine, const char* path) {
    if (!engine) return -1;
    return WriteHistory(&engine->frame.history, path, MeterGetSampleRate(engine),
                        engine->historyStartTime);
}

int LoadEngineHistory(MeterEngine* engine, const char* path) {
    if (!engine) return -1;
    MeterSetZoom(engine, 1);
    HistoryStore incoming = {};
    HistoryFileInfo info = {};
    const int result = ReadHistoryInto(path, MeterGetSampleRate(engine), &incoming, &info);
    if (result < 0) return -1;
    SysLockEnter(&engine->lock);
    HistoryStoreSwap(&engine->frame.history, &incoming);
    engine->historyStartTime = info.startTime;
    // The frame's copy is the display thread's; the next hand-over brings it this value.
    engine->samplePosition = info.lastSamplePosition;
    SysLockLeave(&engine->lock);
    HistoryStoreFree(&incoming);
    MeterRepaint(engine);
    return result;
}
