/*
 * The contract between an application's stub and the runtime library it
 * loads ("Zandrel Nimbra_64").
 *
 * The stub opens the library with dlopen(RTLD_LAZY). While it loads (from a
 * constructor function, say) the library describes each of its classes and
 * registers it with the stub's class registry. The stub then finds the class
 * "EntryPoints" by name, makes one instance (alloc, then init) and calls its
 * method "runtimeAppStubMain:" with the runtime's version folder; the
 * method's result is the process exit status.
 *
 * Stability: only C types cross this boundary, plus nimbra::Exception below.
 * A description carries its own size and the ABI version it was written
 * for. Later versions only append fields, so a registry reads the fields it
 * knows and ignores the rest; a different ABI version is refused.
 */
#ifndef NIMBRA_RUNTIME_H
#define NIMBRA_RUNTIME_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define NIMBRA_RUNTIME_ABI_VERSION 1u

#define NIMBRA_EXPORT __attribute__((visibility("default")))

/* A method: one NUL-terminated UTF-8 argument, a 32-bit result. `self` is
 * what the class's init returned. */
typedef int32_t (*nimbra_method_imp)(void* self, const char* argument);

typedef struct nimbra_method {
  const char* selector; /* the full selector name, "runtimeAppStubMain:" */
  nimbra_method_imp imp;
} nimbra_method;

typedef struct nimbra_class_desc {
  uint32_t size;       /* sizeof(nimbra_class_desc) as the library saw it */
  uint32_t abiVersion; /* NIMBRA_RUNTIME_ABI_VERSION */
  const char* name;
  /* A fresh instance, or NULL when none can be made. */
  void* (*alloc)(void);
  /* Readies what alloc made; returns the instance to use (itself or
   * another) or NULL. Not called when alloc gave NULL. */
  void* (*init)(void* self);
  const nimbra_method* methods;
  uint32_t methodCount;
} nimbra_class_desc;

enum {
  NIMBRA_REGISTERED = 0,
  NIMBRA_BAD_DESCRIPTION = 1,  /* NULL, too small, or a field missing */
  NIMBRA_UNSUPPORTED_ABI = 2,  /* abiVersion is not NIMBRA_RUNTIME_ABI_VERSION */
};

/* Provided by the host program. The registry copies the description, its
 * name and its method table, so none of them needs to outlive the call; the
 * functions must stay loaded for the rest of the process (libraries are
 * never unloaded). Returns NIMBRA_REGISTERED or the reason for refusing. */
NIMBRA_EXPORT int32_t nimbra_register_class(const nimbra_class_desc* description);

#ifdef __cplusplus
}  /* extern "C" */

#include <exception>
#include <string>
#include <utility>

namespace nimbra {

/* The platform's exception. A method written in C++ (built against the same
 * C++ runtime as the host) may throw it, or a subclass, to report failure;
 * the stub catches exactly this type around the entry call. Nothing else is
 * caught. */
class Exception : public std::exception {
 public:
  Exception(std::string name, std::string reason)
      : name_(std::move(name)), reason_(std::move(reason)) {}

  /* The kind of failure, for example "NSInvalidArgumentException". */
  const std::string& name() const noexcept { return name_; }
  const std::string& reason() const noexcept { return reason_; }
  const char* what() const noexcept override { return reason_.c_str(); }

 private:
  std::string name_;
  std::string reason_;
};

}  // namespace nimbra
#endif /* __cplusplus */

#endif /* NIMBRA_RUNTIME_H */
