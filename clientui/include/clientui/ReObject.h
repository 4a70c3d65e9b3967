// CReObject: one embedded object of a rich edit as IRichEditOle::GetObject
// reads it, owning the interfaces that the read handed out.
#pragma once

#include <windows.h>
#include <richedit.h>
#include <richole.h>

class CReObject {
public:
    CReObject() { Clear(); }
    ~CReObject() { Release(); }
    CReObject(const CReObject&) = delete;
    CReObject& operator=(const CReObject&) = delete;

    // Reads object index of richEditOle; flags are REO_GETOBJ_* (which
    // interfaces to hand out). False when there is no such object.
    bool Read(IRichEditOle* richEditOle, LONG index, DWORD flags) {
        Release();
        if (!richEditOle) return false;
        if (FAILED(richEditOle->GetObject(index, &m_object, flags))) {
            Release();
            return false;
        }
        return true;
    }

    const REOBJECT& Get() const { return m_object; }
    LONG Cp() const { return m_object.cp; }
    DWORD User() const { return m_object.dwUser; }
    IOleObject* OleObject() const { return m_object.poleobj; }

private:
    void Clear() {
        m_object = REOBJECT{};
        m_object.cbStruct = sizeof(REOBJECT);
    }
    void Release() {
        if (m_object.poleobj) m_object.poleobj->Release();
        if (m_object.pstg) m_object.pstg->Release();
        if (m_object.polesite) m_object.polesite->Release();
        Clear();
    }

    REOBJECT m_object;
};
