// Every platform call of the wave device layer and the streaming thread goes
// through one table of function entries, so that tests can put a failing or
// slow device (or a failing allocation or thread creation) in place of the
// real winmm. The real table is the default.
#pragma once

#include <windows.h>
#include <mmsystem.h>

struct WinmmTable {
    // Output devices.
    UINT(WINAPI* outGetNumDevs)();
    MMRESULT(WINAPI* outGetDevCaps)(UINT_PTR id, LPWAVEOUTCAPSA caps, UINT size);
    MMRESULT(WINAPI* outOpen)(LPHWAVEOUT handle, UINT id, LPCWAVEFORMATEX format,
                              DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
    MMRESULT(WINAPI* outPrepareHeader)(HWAVEOUT device, LPWAVEHDR header, UINT size);
    MMRESULT(WINAPI* outUnprepareHeader)(HWAVEOUT device, LPWAVEHDR header, UINT size);
    MMRESULT(WINAPI* outWrite)(HWAVEOUT device, LPWAVEHDR header, UINT size);
    MMRESULT(WINAPI* outPause)(HWAVEOUT device);
    MMRESULT(WINAPI* outRestart)(HWAVEOUT device);
    MMRESULT(WINAPI* outReset)(HWAVEOUT device);
    MMRESULT(WINAPI* outClose)(HWAVEOUT device);
    MMRESULT(WINAPI* outGetErrorText)(MMRESULT error, LPSTR text, UINT size);
    // Input devices.
    UINT(WINAPI* inGetNumDevs)();
    MMRESULT(WINAPI* inGetDevCaps)(UINT_PTR id, LPWAVEINCAPSA caps, UINT size);
    MMRESULT(WINAPI* inOpen)(LPHWAVEIN handle, UINT id, LPCWAVEFORMATEX format,
                             DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
    MMRESULT(WINAPI* inPrepareHeader)(HWAVEIN device, LPWAVEHDR header, UINT size);
    MMRESULT(WINAPI* inUnprepareHeader)(HWAVEIN device, LPWAVEHDR header, UINT size);
    MMRESULT(WINAPI* inAddBuffer)(HWAVEIN device, LPWAVEHDR header, UINT size);
    MMRESULT(WINAPI* inStart)(HWAVEIN device);
    MMRESULT(WINAPI* inStop)(HWAVEIN device);
    MMRESULT(WINAPI* inReset)(HWAVEIN device);
    MMRESULT(WINAPI* inClose)(HWAVEIN device);
    MMRESULT(WINAPI* inGetErrorText)(MMRESULT error, LPSTR text, UINT size);
    // Memory, threads, handles.
    HGLOBAL(WINAPI* globalAlloc)(UINT flags, SIZE_T bytes);
    HANDLE(WINAPI* createThread)(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                                 LPTHREAD_START_ROUTINE proc, LPVOID arg, DWORD flags,
                                 LPDWORD id);
    BOOL(WINAPI* closeHandle)(HANDLE handle);
};

// Returns the table in force (the real one unless a test installed another).
const WinmmTable* Winmm();

// Returns the real winmm and kernel32 table.
const WinmmTable* WinmmRealTable();

// Installs a table (it must outlive its use); null restores the real one.
// Call only while no device is open and no stream runs.
void WinmmSetTable(const WinmmTable* table);
