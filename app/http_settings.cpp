#include "app/http_settings.h"

#include "net/http/http_client.h"

void ApplyMainWindowSettings(TIdHTTP& http) {
  http.AllowCookies = true;
  http.HandleRedirects = true;
  http.ProtocolVersion = pv1_0;
  http.HTTPOptions = {hoForceEncodeParams};
  TIdHTTPRequest& request = http.Request();
  request.ContentType = "text/html";
  request.Accept = "text/html, */*";
  request.UserAgent = "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.1.6) Gecko/20070725 Firefox/2.0.0.6";
  request.BasicAuthentication = false;
  request.SetContentLength(0);
  request.ContentRangeStart = 0;
  request.ContentRangeEnd = 0;
  http.ProxyParams.BasicAuthentication = false;
  http.ProxyParams.SetProxyPort(0);
  http.ReadTimeout = 0;
  http.RecvBufferSize = 1024;
  http.MaxLineAction = maException;
}
