#include "framework/framework_objects.h"

#include "framework/core_app.h"
#include "framework/empty_progress.h"
#include "framework/service_manager.h"
#include "framework/vel_app.h"
#include "framework/vel_params.h"
#include "framework/version.h"

namespace kova {

namespace {

// Members are created in declaration order and destroyed in reverse.
struct FrameworkObjects {
  TXVelVersion version;
  TXVelCoreApp coreApp;
  TXServiceManager frameworkServices{"Framework"};
  TXServiceManager appServices{"Application"};
  TXVelApp app;
  struct VersionServiceRegistration {
    explicit VersionServiceRegistration(TXServiceManager& services) {
      services.RegisterService<TXAppVersionService>(std::make_unique<TXAppVersionService>());
    }
  } versionService{appServices};
  TXVelParams params;
  TXEmptyProgress emptyProgress;
};

FrameworkObjects& Objects() {
  static FrameworkObjects objects;
  return objects;
}

}  // namespace

TXVelCoreApp& CoreApp() {
  return Objects().coreApp;
}
TXEmptyProgress& EmptyProgress() {
  return Objects().emptyProgress;
}
TXVelApp& VelApp() {
  return Objects().app;
}
TXVelParams& VelParams() {
  return Objects().params;
}
TXVelVersion& VelVersion() {
  return Objects().version;
}
TXServiceManager& FrameworkServices() {
  return Objects().frameworkServices;
}
TXServiceManager& AppServices() {
  return Objects().appServices;
}

}  // namespace kova
