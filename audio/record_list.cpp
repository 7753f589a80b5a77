#include "audio/record_list.h"

#include <cstdlib>
#include <cstring>

int RecordListCreate(RecordList* list, uint32_t recordSize) {
    *list = RecordList{};
    if (recordSize == 0) return 0;
    list->data = static_cast<uint8_t*>(std::calloc(1, kRecordListBlock));
    if (!list->data) return 0;
    list->capacity = kRecordListBlock;
    list->freeBytes = kRecordListBlock;
    list->recordSize = recordSize;
    return 1;
}

void* RecordListAppend(RecordList* list, const void* record) {
    if (!list->data) return nullptr;
    if (list->freeBytes < list->recordSize) {
        uint32_t growth = (list->recordSize / kRecordListBlock + 1) * kRecordListBlock;
        if (growth > UINT32_MAX - list->capacity) return nullptr;
        void* grown = std::realloc(list->data, list->capacity + growth);
        if (!grown) return nullptr;
        list->data = static_cast<uint8_t*>(grown);
        list->capacity += growth;
        list->freeBytes += growth;
    }
    uint8_t* slot = list->data + list->usedBytes;
    std::memcpy(slot, record, list->recordSize);
    list->count += 1;
    list->usedBytes += list->recordSize;
    list->freeBytes -= list->recordSize;
    list->appendCount = list->count;
    return slot;
}

void* RecordListFetch(RecordList* list, uint32_t index) {
    if (!list->data || index == 0 || index > list->count) return nullptr;
    list->lastFetched = index;
    return list->data + static_cast<size_t>(index - 1) * list->recordSize;
}

uint32_t RecordListCount(const RecordList* list) {
    return list->data ? list->count : 0;
}

void RecordListFree(RecordList* list) {
    std::free(list->data);
    *list = RecordList{};
}
