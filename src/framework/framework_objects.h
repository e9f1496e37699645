#pragma once

// The process-wide objects of the framework. They are created together on the first use of any
// accessor, in this order: the per-thread error table, the version reader, the core application
// object (with the application engine), the framework's service manager, the application's
// service manager, the application object, the application version service (registered with the
// application's manager), the parameter list and the shared empty progress. They are destroyed
// in the reverse order at process exit. CoreApp() is declared in core_app.h and EmptyProgress()
// in empty_progress.h.
namespace kova {

class TXVelApp;
class TXVelParams;
class TXVelVersion;
class TXServiceManager;

TXVelApp& VelApp();
TXVelParams& VelParams();
TXVelVersion& VelVersion();
TXServiceManager& FrameworkServices();
TXServiceManager& AppServices();

}  // namespace kova
