// The formatting engine and the printf-style routines built on it. Every conversion is
// rendered by the platform's snprintf with its directive unchanged (after * widths are
// expanded), its argument fetched by its real type, into a buffer that grows as needed.
#include <quorvex/fencode.h>
#include <quorvex/fdemem.h>
#include <quorvex/fdeprint.h>
#include <quorvex/fdestr.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr char kConversions[] = "dioxXucsfeEgGp%n";
constexpr char kFlags[] = "-+ #0'";

enum class Len { kNone, kHH, kH, kL, kLL, kJ, kZ, kT, kBigL };

// A conversion buffer: 256 bytes on the stack, moved to the heap only when a conversion needs
// more.
class ConvBuffer {
 public:
  ~ConvBuffer() { F_Free(heap_); }
  char *data() { return heap_ ? heap_ : local_; }
  size_t size() const { return heap_ ? cap_ : sizeof local_; }
  bool Reserve(size_t n) {
    if (n <= size()) return true;
    if (n > FDE_MAX_ALLOC) return false;
    auto *p = static_cast<char *>(heap_ ? F_Realloc(heap_, static_cast<UIntT>(n), 0)
                                        : F_Alloc(static_cast<UIntT>(n), 0));
    if (p == nullptr) return false;
    heap_ = p;
    cap_ = n;
    return true;
  }

 private:
  char local_[256];
  char *heap_ = nullptr;
  size_t cap_ = 0;
};

template <typename T>
bool Render(ConvBuffer &b, const char *spec, T value) {
  int n = std::snprintf(b.data(), b.size(), spec, value);
  if (n < 0) {
    b.data()[0] = '\0';
    return true;
  }
  if (static_cast<size_t>(n) < b.size()) return true;
  if (!b.Reserve(static_cast<size_t>(n) + 1)) return false;
  std::snprintf(b.data(), b.size(), spec, value);
  return true;
}

// Parses the length modifier at p; returns the number of characters it takes.
size_t ParseLength(const char *p, Len *len) {
  bool twice = p[0] != '\0' && p[1] == p[0];
  switch (p[0]) {
    case 'h':
      *len = twice ? Len::kHH : Len::kH;
      return twice ? 2 : 1;
    case 'l':
      *len = twice ? Len::kLL : Len::kL;
      return twice ? 2 : 1;
    case 'q':
      *len = Len::kLL;
      return 1;
    case 'j':
      *len = Len::kJ;
      return 1;
    case 'z':
      *len = Len::kZ;
      return 1;
    case 't':
      *len = Len::kT;
      return 1;
    case 'L':
      *len = Len::kBigL;
      return 1;
    default:
      *len = Len::kNone;
      return 0;
  }
}

struct BufferSink {
  char *pos;
  UIntT free;
};

UIntT BufferOut(PtrT context, ConStringT bytes, UIntT count) {
  auto *s = static_cast<BufferSink *>(context);
  UIntT n = count < s->free ? count : s->free;
  if (n) std::memcpy(s->pos, bytes, n);
  s->pos += n;
  s->free -= n;
  return n;
}

UIntT ChannelOut(PtrT context, ConStringT bytes, UIntT count) {
  auto ch = static_cast<ChannelT>(context);
  if (ch) return F_ChannelWrite(bytes, 1, count, ch);
  if (const void *nul = std::memchr(bytes, 0, count)) {
    F_Warning(bytes);
    return static_cast<UIntT>(static_cast<const char *>(nul) - bytes);
  }
  char piece[256];
  for (UIntT done = 0; done < count;) {
    UIntT n = count - done < 255 ? count - done : 255;
    std::memcpy(piece, bytes + done, n);
    piece[n] = '\0';
    F_Warning(piece);
    done += n;
  }
  return count;
}

}  // namespace

extern "C" {

IntT Fde_doprnt(FdeOutputFnT out, PtrT context, ConStringT format, va_list args) {
  if (out == nullptr) return 0;
  va_list ap;
  va_copy(ap, args);
  ConvBuffer buf;
  UIntT total = 0;
  const char *f = format ? format : "";
  for (;;) {
    const char *pct = std::strchr(f, '%');
    size_t run = pct ? static_cast<size_t>(pct - f) : std::strlen(f);
    total += out(context, f, static_cast<UIntT>(run));
    if (pct == nullptr) break;
    f = pct;

    // Scan the directive: flags, width, precision, length, conversion.
    std::string spec = "%";
    size_t i = 1;
    while (f[i] && std::strchr(kFlags, f[i])) spec += f[i++];
    auto number = [&] {
      if (f[i] == '*') {
        spec += std::to_string(va_arg(ap, int));
        ++i;
      } else {
        while (f[i] >= '0' && f[i] <= '9') spec += f[i++];
      }
    };
    number();
    if (f[i] == '.') {
      spec += f[i++];
      number();
    }
    Len len;
    size_t lm = ParseLength(f + i, &len);
    spec.append(f + i, lm);
    i += lm;
    char conv = f[i];
    if (conv == '\0') break;  // incomplete directive at the end
    if (!std::strchr(kConversions, conv)) {
      // Not a conversion: the text is printed as it stands.
      total += out(context, f, static_cast<UIntT>(i));
      f += i;
      continue;
    }
    spec += conv;
    f += i + 1;
    if (spec.size() > FDE_PRINT_SPEC_MAX) break;

    bool ok = true;
    const char *s = spec.c_str();
    switch (conv) {
      case '%':
        ok = Render(buf, "%s", "%");
        break;
      case 'n': {
        // The count is stored as 16 bits after h, 8 bits after hh, otherwise as 32 bits
        // (never wider, so a pointer to a 32-bit count is always safe).
        void *p = va_arg(ap, void *);
        if (p == nullptr) continue;
        if (len == Len::kHH)
          *static_cast<signed char *>(p) = static_cast<signed char>(total);
        else if (len == Len::kH)
          *static_cast<short *>(p) = static_cast<short>(total);
        else
          *static_cast<int32_t *>(p) = static_cast<int32_t>(total);
        continue;
      }
      case 's':
        if (len == Len::kL) {
          const wchar_t *w = va_arg(ap, const wchar_t *);
          ok = Render(buf, s, w ? w : L"");
        } else {
          const char *a = va_arg(ap, const char *);
          ok = Render(buf, s, a ? a : "");
        }
        break;
      case 'c':
        ok = len == Len::kL ? Render(buf, s, va_arg(ap, wint_t)) : Render(buf, s, va_arg(ap, int));
        break;
      case 'p':
        ok = Render(buf, s, va_arg(ap, void *));
        break;
      case 'd':
      case 'i':
        switch (len) {
          case Len::kL:
            ok = Render(buf, s, va_arg(ap, long));
            break;
          case Len::kLL:
            ok = Render(buf, s, va_arg(ap, long long));
            break;
          case Len::kJ:
            ok = Render(buf, s, va_arg(ap, intmax_t));
            break;
          case Len::kZ:
            ok = Render(buf, s, va_arg(ap, ptrdiff_t));
            break;
          case Len::kT:
            ok = Render(buf, s, va_arg(ap, ptrdiff_t));
            break;
          default:
            ok = Render(buf, s, va_arg(ap, int));
            break;
        }
        break;
      case 'e':
      case 'E':
      case 'f':
      case 'g':
      case 'G':
        ok = len == Len::kBigL ? Render(buf, s, va_arg(ap, long double))
                               : Render(buf, s, va_arg(ap, double));
        break;
      default:  // o u x X
        switch (len) {
          case Len::kL:
            ok = Render(buf, s, va_arg(ap, unsigned long));
            break;
          case Len::kLL:
            ok = Render(buf, s, va_arg(ap, unsigned long long));
            break;
          case Len::kJ:
            ok = Render(buf, s, va_arg(ap, uintmax_t));
            break;
          case Len::kZ:
            ok = Render(buf, s, va_arg(ap, size_t));
            break;
          case Len::kT:
            ok = Render(buf, s, va_arg(ap, size_t));
            break;
          default:
            ok = Render(buf, s, va_arg(ap, unsigned));
            break;
        }
        break;
    }
    if (!ok) break;  // the conversion buffer could not grow
    total += out(context, buf.data(), F_StrLen(buf.data()));
  }
  va_end(ap);
  return static_cast<IntT>(total);
}

IntT FdeVPrintf(ChannelT ch, ConStringT format, va_list args) {
  return Fde_doprnt(ChannelOut, ch, format, args);
}

IntT F_Printf(ChannelT ch, ConStringT format, ...) {
  va_list ap;
  va_start(ap, format);
  IntT n = FdeVPrintf(ch, format, ap);
  va_end(ap);
  return n;
}

IntT FdeVSnprintf(StringT buf, UIntT size, ConStringT format, va_list args) {
  if (buf == nullptr || size == 0) return 0;
  BufferSink sink{buf, size - 1};
  IntT n = Fde_doprnt(BufferOut, &sink, format, args);
  *sink.pos = '\0';
  return n;
}

IntT F_Sprintf(StringT buf, ConStringT format, ...) {
  va_list ap;
  va_start(ap, format);
  IntT n = FdeVSnprintf(buf, 0x7FFFFFFF, format, ap);
  va_end(ap);
  return n;
}

IntT F_UTFPrintf(IntT outputEncoding, IntT sourceEncoding, ChannelT ch, ConStringT format, ...) {
  va_list ap;
  va_start(ap, format);
  IntT n = 0;
  if (outputEncoding != 17) {
    n = FdeVPrintf(ch, format, ap);
  } else if (auto *text = static_cast<StringT>(F_Alloc(1024, 0))) {
    FdeVSnprintf(text, 1024, format, ap);
    // The conversion needs no initialised font encodings, so neither does UTF-16 output.
    UShortT *units = FdeTextEncStringToUTF16(text, sourceEncoding);
    if (units) {
      UIntT count = 0;
      while (units[count]) ++count;
      n = static_cast<IntT>(F_ChannelWrite(units, 2, count, ch));
      F_Free(units);
    }
    F_Free(text);
  }
  va_end(ap);
  return n;
}

}  // extern "C"
