// Drives that come and go while a program runs, the way Wine's own drive configuration adds
// and removes them: through Wine's mount manager, which makes the letter known to every program
// with its drive type at once. Windows tells the programs with a broadcast of WM_DEVICECHANGE
// to every top-level window; Wine's mount manager sends its broadcast on the services' desktop
// only, so the tests send it as Windows does, with BroadcastSystemMessage.
#pragma once

#include <windows.h>

// Makes letter (for example 'F') a CD-ROM drive backed by a folder of the prefix, created when
// needed, or removes the drive again. TRUE when Wine's mount manager took the request.
bool DefineCdromDrive(char letter);
bool RemoveDrive(char letter);

// Broadcasts DBT_DEVICEARRIVAL (arrival) or DBT_DEVICEREMOVECOMPLETE with a volume record for
// the letter to every top-level window, and returns once all have answered. flags is the
// record's dbcv_flags (DBTF_MEDIA for a medium, 0 for a drive).
bool BroadcastVolumeChange(char letter, bool arrival, WORD flags);

// A CD-ROM drive plugged in for the life of the object, and removed again (without a
// broadcast) whatever happened in between.
class PluggedCdromDrive {
public:
    explicit PluggedCdromDrive(char letter) : m_letter(letter), m_defined(DefineCdromDrive(letter)) {}
    ~PluggedCdromDrive()
    {
        if (m_defined)
            RemoveDrive(m_letter);
    }
    PluggedCdromDrive(const PluggedCdromDrive&) = delete;
    PluggedCdromDrive& operator=(const PluggedCdromDrive&) = delete;

    bool Defined() const { return m_defined; }

    // Pulls the drive out now: the object then has nothing left to remove.
    bool Remove()
    {
        m_defined = !RemoveDrive(m_letter);
        return !m_defined;
    }

private:
    char m_letter;
    bool m_defined;
};
