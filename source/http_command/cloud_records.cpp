#include "http_command/cloud_records.h"

QString record_text(const char* utf8) { return utf8 ? QString::fromUtf8(utf8) : QString(); }

App_config::App_config(const char* uacUrl_, const char* emcPortalUrl_, const char* capUrl_,
                       const char* storePortalUrl_, const char* agreementUrl_,
                       const char* privacyUrl_, const char* cloudStorAgreementUrl_,
                       const char* wanIp_, const char* country_, const char* locale_)
    : uacUrl(record_text(uacUrl_)),
      emcPortalUrl(record_text(emcPortalUrl_)),
      capUrl(record_text(capUrl_)),
      storePortalUrl(record_text(storePortalUrl_)),
      agreementUrl(record_text(agreementUrl_)),
      privacyUrl(record_text(privacyUrl_)),
      cloudStorAgreementUrl(record_text(cloudStorAgreementUrl_)),
      wanIp(record_text(wanIp_)),
      country(record_text(country_)),
      locale(record_text(locale_)) {}

Device_list::Device_list()
    : conDevices(new QList<Con_device*>()), devGenerals(new QList<Dev_general*>()) {}

Device_list::~Device_list() {
  qDeleteAll(*conDevices);
  qDeleteAll(*devGenerals);
  delete conDevices;
  delete devGenerals;
}

Dev_config::Dev_config(const char* deviceId_, int deviceType_, const char* continent_,
                       const char* country_, const char* devCloudStorUrl_, const char* devEmcUrl_,
                       const char* devGatewayUrl_, const char* p2ps_, const char* region_,
                       const char* stunServers_, const char* tunnelUrl_, const char* gatewayUrl_,
                       const char* cloudStorUrl_, const char* emcUrl_)
    : deviceId(record_text(deviceId_)),
      deviceType(deviceType_),
      continent(record_text(continent_)),
      country(record_text(country_)),
      devCloudStorUrl(record_text(devCloudStorUrl_)),
      devEmcUrl(record_text(devEmcUrl_)),
      devGatewayUrl(record_text(devGatewayUrl_)),
      p2ps(record_text(p2ps_)),
      region(record_text(region_)),
      stunServers(record_text(stunServers_)),
      tunnelUrl(record_text(tunnelUrl_)),
      gatewayUrl(record_text(gatewayUrl_)),
      cloudStorUrl(record_text(cloudStorUrl_)),
      emcUrl(record_text(emcUrl_)) {}
