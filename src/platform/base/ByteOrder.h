#pragma once
// Little-endian fields of the binary formats we read and write (themes,
// bitmaps, icons, program resources). The "At" readers check the bounds and
// give 0 outside the bytes, so a damaged file reads as zeros, never past its
// end. Header only: every layer from platform/ up may use it.

#include <QByteArray>
#include <QtEndian>
#include <cstdint>

namespace le {

inline quint16 U16(const char* p) { return qFromLittleEndian<quint16>(p); }
inline quint32 U32(const char* p) { return qFromLittleEndian<quint32>(p); }
inline qint32 I32(const char* p) { return qint32(U32(p)); }
inline void PutU32(char* p, quint32 v) { qToLittleEndian<quint32>(v, p); }
inline void PutI32(char* p, qint32 v) { PutU32(p, quint32(v)); }

inline bool Has(qint64 size, qint64 at, qint64 n) { return at >= 0 && n >= 0 && at <= size && n <= size - at; }

inline quint8 U8At(const QByteArray& d, qint64 at) { return Has(d.size(), at, 1) ? quint8(d[at]) : 0; }
inline quint16 U16At(const QByteArray& d, qint64 at) { return Has(d.size(), at, 2) ? U16(d.constData() + at) : 0; }
inline quint32 U32At(const QByteArray& d, qint64 at) { return Has(d.size(), at, 4) ? U32(d.constData() + at) : 0; }

} // namespace le
