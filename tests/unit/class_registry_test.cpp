#include "platform/class_registry.h"

#include "nimbra/runtime.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int sFirst = 1;
int sSecond = 2;
int sReplacement = 3;

void* allocFirst() { return &sFirst; }
void* allocSecond() { return &sSecond; }
void* allocNone() { return nullptr; }
void* initSame(void* self) { return self; }
void* initNone(void*) { return nullptr; }
void* initReplacing(void*) { return &sReplacement; }

// Returns the argument's length plus the instance's value, so a test sees
// both reached the method.
int32_t measure(void* self, const char* argument) {
  return static_cast<int32_t>(std::string(argument).size()) + *static_cast<int*>(self);
}

class RuntimeFailure : public nimbra::Exception {
 public:
  RuntimeFailure() : nimbra::Exception("RuntimeFailure", "cannot start") {}
};
int32_t fail(void*, const char*) { throw RuntimeFailure(); }

const nimbra_method kMethods[] = {{"measure:", measure}, {"fail:", fail}};
const nimbra_method kNoSelector[] = {{nullptr, measure}};
const nimbra_method kNoImp[] = {{"measure:", nullptr}};

nimbra_class_desc description(const char* name, void* (*alloc)(void) = allocFirst,
                              void* (*init)(void*) = initSame) {
  nimbra_class_desc desc{};
  desc.size = sizeof desc;
  desc.abiVersion = NIMBRA_RUNTIME_ABI_VERSION;
  desc.name = name;
  desc.alloc = alloc;
  desc.init = init;
  desc.methods = kMethods;
  desc.methodCount = 2;
  return desc;
}

TEST(ClassRegistryTest, RegistrationChecksTheDescription) {
  // A newer library's description: ours followed by fields we do not know.
  struct Newer {
    nimbra_class_desc known;
    void* (*unknownField)(void);
  };
  struct Case {
    const char* name;
    void (*mutate)(nimbra_class_desc&);
    int32_t status;
  };
  const Case cases[] = {
      {"Registry.Valid", [](nimbra_class_desc&) {}, NIMBRA_REGISTERED},
      {"Registry.Small", [](nimbra_class_desc& d) { d.size = sizeof d - 1; }, NIMBRA_BAD_DESCRIPTION},
      {"Registry.Newer", [](nimbra_class_desc& d) { d.size = sizeof(Newer); }, NIMBRA_REGISTERED},
      {"Registry.OtherAbi", [](nimbra_class_desc& d) { d.abiVersion = 2; }, NIMBRA_UNSUPPORTED_ABI},
      {"Registry.NoAlloc", [](nimbra_class_desc& d) { d.alloc = nullptr; }, NIMBRA_BAD_DESCRIPTION},
      {"Registry.NoInit", [](nimbra_class_desc& d) { d.init = nullptr; }, NIMBRA_BAD_DESCRIPTION},
      {"Registry.NoMethodTable", [](nimbra_class_desc& d) { d.methods = nullptr; },
       NIMBRA_BAD_DESCRIPTION},
      {"Registry.NoMethods", [](nimbra_class_desc& d) { d.methods = nullptr; d.methodCount = 0; },
       NIMBRA_REGISTERED},
      {"Registry.NoSelector", [](nimbra_class_desc& d) { d.methods = kNoSelector; d.methodCount = 1; },
       NIMBRA_BAD_DESCRIPTION},
      {"Registry.NoImp", [](nimbra_class_desc& d) { d.methods = kNoImp; d.methodCount = 1; },
       NIMBRA_BAD_DESCRIPTION},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Newer newer{description(c.name), allocNone};
    c.mutate(newer.known);
    EXPECT_EQ(nimbra_register_class(&newer.known), c.status);
    EXPECT_EQ(platform::lookUpClass(c.name) != nullptr, c.status == NIMBRA_REGISTERED);
  }

  EXPECT_EQ(nimbra_register_class(nullptr), NIMBRA_BAD_DESCRIPTION);
  nimbra_class_desc unnamed = description(nullptr);
  EXPECT_EQ(nimbra_register_class(&unnamed), NIMBRA_BAD_DESCRIPTION);
  nimbra_class_desc empty = description("");
  EXPECT_EQ(nimbra_register_class(&empty), NIMBRA_BAD_DESCRIPTION);
  EXPECT_EQ(platform::lookUpClass(""), nullptr);
}

TEST(ClassRegistryTest, TheDescriptionNeedNotOutliveRegistration) {
  {
    std::string name = "Registry.Temporary";
    nimbra_method methods[] = {{"measure:", measure}};
    nimbra_class_desc desc = description(name.c_str());
    desc.methods = methods;
    desc.methodCount = 1;
    ASSERT_EQ(nimbra_register_class(&desc), NIMBRA_REGISTERED);
    name.assign(name.size(), 'x');
    methods[0].selector = "gone:";
  }
  const platform::Class* cls = platform::lookUpClass("Registry.Temporary");
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(platform::performSelector(platform::createInstance(*cls), "measure:", "abc"), 4);
}

TEST(ClassRegistryTest, TheFirstClassOfANameIsFound) {
  nimbra_class_desc first = description("Registry.Twice", allocFirst);
  nimbra_class_desc second = description("Registry.Twice", allocSecond);
  ASSERT_EQ(nimbra_register_class(&first), NIMBRA_REGISTERED);
  ASSERT_EQ(nimbra_register_class(&second), NIMBRA_REGISTERED);
  const platform::Class* cls = platform::lookUpClass("Registry.Twice");
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(platform::createInstance(*cls).self, &sFirst);
  EXPECT_EQ(platform::lookUpClass("Registry.Never"), nullptr);
}

TEST(ClassRegistryTest, AllocThenInit) {
  struct Case {
    const char* name;
    void* (*alloc)(void);
    void* (*init)(void*);
    void* instance;
  };
  const Case cases[] = {
      {"Registry.Instance", allocFirst, initSame, &sFirst},
      {"Registry.Replaced", allocFirst, initReplacing, &sReplacement},
      {"Registry.NothingAllocated", allocNone, initReplacing, nullptr},
      {"Registry.InitRefuses", allocFirst, initNone, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    nimbra_class_desc desc = description(c.name, c.alloc, c.init);
    ASSERT_EQ(nimbra_register_class(&desc), NIMBRA_REGISTERED);
    platform::Object object = platform::createInstance(*platform::lookUpClass(c.name));
    EXPECT_EQ(object.self, c.instance);
    EXPECT_EQ(static_cast<bool>(object), c.instance != nullptr);
  }
}

TEST(ClassRegistryTest, MethodsBySelectorName) {
  nimbra_class_desc desc = description("Registry.Methods");
  ASSERT_EQ(nimbra_register_class(&desc), NIMBRA_REGISTERED);
  platform::Object object = platform::createInstance(*platform::lookUpClass("Registry.Methods"));

  EXPECT_EQ(platform::performSelector(object, "measure:", "/a/Versions/1.0"), 16);
  EXPECT_THROW(platform::performSelector(object, "fail:", ""), RuntimeFailure);
  try {
    platform::performSelector(object, "measure", "");  // no colon: another selector
    ADD_FAILURE() << "an unknown selector was performed";
  } catch (const nimbra::Exception& e) {
    EXPECT_EQ(e.name(), "NSInvalidArgumentException");
    EXPECT_NE(e.reason().find("measure"), std::string::npos);
  }
  // A message to nothing does nothing.
  EXPECT_EQ(platform::performSelector(platform::Object{}, "fail:", ""), 0);
}

TEST(ClassRegistryTest, ClassesOfTheProgramBelongToTheMainBundle) {
  nimbra_class_desc desc = description("Registry.Bundled");
  ASSERT_EQ(nimbra_register_class(&desc), NIMBRA_REGISTERED);
  const platform::Class* cls = platform::lookUpClass("Registry.Bundled");
  auto bundle = platform::bundleForClass(*cls);
  ASSERT_TRUE(bundle);
  const platform::Bundle& main = platform::Bundle::mainBundle();
  EXPECT_EQ(bundle->bundlePath(), main.bundlePath());
  EXPECT_EQ(platform::classNamed(main, "Registry.Bundled"), cls);
  EXPECT_EQ(platform::classNamed(main, "Registry.Unknown"), nullptr);

  auto elsewhere = platform::Bundle::withPath("/");
  ASSERT_TRUE(elsewhere);
  EXPECT_EQ(platform::classNamed(*elsewhere, "Registry.Bundled"), nullptr);
}

TEST(ClassRegistryTest, BundleFolderOfAnImage) {
  struct Case {
    const char* image;
    const char* bundle;
  };
  const Case cases[] = {
      {"/L/Frameworks/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64",
       "/L/Frameworks/Zandrel Nimbra.framework"},
      {"/A/X.app/Contents/Frameworks/Zandrel Nimbra.framework/Versions/1.0/Zandrel Nimbra_64",
       "/A/X.app/Contents/Frameworks/Zandrel Nimbra.framework"},
      {"/A/X.app/Contents/MacOS/X", "/A/X.app"},
      {"/A/Plug.bundle/Contents/MacOS/Plug", "/A/Plug.bundle"},
      {"/usr/lib/libz.so", "/usr/lib"},
      {"/A/.app/sub/lib.so", "/A/.app/sub"},  // a bare extension is no bundle name
      {"/A/x.framework/../lib/lib.so", "/A/lib"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    EXPECT_EQ(platform::bundleFolderForImage(c.image), c.bundle);
  }
}

}  // namespace
