#pragma once

#include <hdf5.h>

// An HDF5 object closed when it goes out of scope.
class CHdf5Handle {
public:
    CHdf5Handle() = default;
    CHdf5Handle(hid_t id, herr_t (*close)(hid_t)) : m_id(id), m_close(close) {}
    ~CHdf5Handle() { Reset(); }
    CHdf5Handle(const CHdf5Handle&) = delete;
    CHdf5Handle& operator=(const CHdf5Handle&) = delete;
    CHdf5Handle(CHdf5Handle&& other) noexcept : m_id(other.m_id), m_close(other.m_close) {
        other.m_id = -1;
    }
    CHdf5Handle& operator=(CHdf5Handle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_id = other.m_id;
            m_close = other.m_close;
            other.m_id = -1;
        }
        return *this;
    }
    operator hid_t() const { return m_id; }
    bool IsValid() const { return m_id >= 0; }

private:
    void Reset() {
        if (m_id >= 0 && m_close)
            m_close(m_id);
        m_id = -1;
    }

    hid_t m_id = -1;
    herr_t (*m_close)(hid_t) = nullptr;
};
