// Export macro of the software GDI library (built only for hosts without Windows).
#pragma once

#define SOFTGDI_API __attribute__((visibility("default")))
